// corvexres-dump: prints every string of the resource library as "id<TAB>text", in id order.
// Line breaks inside a text are written as "\n" so that each string stays on one line.
#include <cstdio>
#include <string>

#include "Tables.h"

int main() {
    for (int i = 0; i < corvexres_string_count; ++i) {
        std::string text;
        for (const char *p = corvexres_strings[i].text; *p; ++p) {
            if (*p == '\n') text += "\\n";
            else if (*p == '\t') text += "\\t";
            else if (*p == '\\') text += "\\\\";
            else text += *p;
        }
        std::printf("%d\t%s\n", corvexres_strings[i].id, text.c_str());
    }
    return 0;
}
