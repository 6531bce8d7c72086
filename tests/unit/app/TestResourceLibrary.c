/* A minimal resource library for start-up tests: one caption and one accelerator. */
#include <corvexres/corvexres.h>

const char *CorvexRes_String(int id) { return id == 1200 ? "Test Caption" : 0; }

const unsigned char *CorvexRes_Image(int id, size_t *size) {
    (void)id;
    if (size) *size = 0;
    return 0;
}

int CorvexRes_Menu(int menuId, const CorvexResMenuEntry **items) {
    (void)menuId;
    if (items) *items = 0;
    return 0;
}

static const CorvexResAccelerator kTable[] = {{"Ctrl+K", 32771}, {"F1", 57670}};

int CorvexRes_Accelerators(int tableId, const CorvexResAccelerator **entries) {
    if (tableId != 135) {
        if (entries) *entries = 0;
        return 0;
    }
    if (entries) *entries = kTable;
    return (int)(sizeof kTable / sizeof kTable[0]);
}
