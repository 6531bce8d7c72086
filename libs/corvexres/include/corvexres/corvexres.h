/* The resource library: every user-visible text, image, the main menu and the
 * keyboard accelerators of the program, looked up by numeric identifier.
 * The program loads the library at start-up with dlopen, resolves these C
 * functions by name and chooses the language; nothing else is exported. Texts are UTF-8. */
#ifndef CORVEXRES_H
#define CORVEXRES_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Text of string `id` in the language in use, or NULL when the table has no such
 * string. A text the language lacks (or has empty) is the English one. */
const char *CorvexRes_String(int id);

/* Chooses the language of the texts and of the main menu: "de" (German) or "en"
 * (English, also what a library that was never told uses). Returns 1 when the library
 * has that language; otherwise returns 0 and goes on in English. Call it before
 * looking texts up: it is not meant to change while other threads read texts. */
int CorvexRes_SetLanguage(const char *language);

/* Encoded image (PNG) of bitmap or icon `id`; *size receives its byte count.
 * NULL (and *size 0) when there is no such image. */
const unsigned char *CorvexRes_Image(int id, size_t *size);

/* One entry of menu `menuId` in display order. level 0 = a top-level popup
 * (commandId 0), level 1 = an item of the popup above it; an item with
 * commandId 0 and text NULL is a separator. Returns the number of entries and
 * points *items at a static array, or returns 0 for an unknown menu. */
typedef struct CorvexResMenuEntry {
    int level;
    int commandId;
    const char *text;
} CorvexResMenuEntry;
int CorvexRes_Menu(int menuId, const CorvexResMenuEntry **items);

/* Accelerator table `tableId`: key sequences in Qt's portable text form
 * ("Ctrl+K", "F1") and the command each one sends. Same return convention. */
typedef struct CorvexResAccelerator {
    const char *keys;
    int commandId;
} CorvexResAccelerator;
int CorvexRes_Accelerators(int tableId, const CorvexResAccelerator **entries);

#ifdef __cplusplus
}
#endif

#endif
