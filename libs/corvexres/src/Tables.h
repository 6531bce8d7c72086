/* Tables of the resource library, generated at build time from strings_en.tsv,
 * strings_de.tsv and the artwork program. Internal: none of these names leave the library. */
#ifndef CORVEXRES_TABLES_H
#define CORVEXRES_TABLES_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CorvexResStringRow {
    int id;
    const char *text;
} CorvexResStringRow;

typedef struct CorvexResImageRow {
    int id;
    const unsigned char *data;
    size_t size;
} CorvexResImageRow;

/* Sorted by id, no duplicates (the generator refuses anything else). */
extern const CorvexResStringRow corvexres_strings[];
extern const int corvexres_strings_count;
/* The German texts: any id missing or empty here is shown in English. */
extern const CorvexResStringRow corvexres_strings_de[];
extern const int corvexres_strings_de_count;
extern const CorvexResImageRow corvexres_images[];
extern const int corvexres_image_count;

#ifdef __cplusplus
}
#endif

#endif
