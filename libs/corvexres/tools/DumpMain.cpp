// corvexres-dump [de]: prints every string of the resource library's English table (or, with
// "de", of its German table as it stands, without English in its gaps) as "id<TAB>text", in id
// order. Line breaks inside a text are written as "\n" so that each string stays on one line.
#include <cstdio>
#include <cstring>
#include <string>

#include "Tables.h"

namespace {

void PrintTable(const CorvexResStringRow *rows, int count) {
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (const char *p = rows[i].text; *p; ++p) {
            if (*p == '\n') text += "\\n";
            else if (*p == '\t') text += "\\t";
            else if (*p == '\\') text += "\\\\";
            else text += *p;
        }
        std::printf("%d\t%s\n", rows[i].id, text.c_str());
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "de") == 0) {
        PrintTable(corvexres_strings_de, corvexres_strings_de_count);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: corvexres-dump [de]\n");
        return 2;
    }
    PrintTable(corvexres_strings, corvexres_strings_count);
    return 0;
}
