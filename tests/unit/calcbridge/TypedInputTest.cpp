// The typing of cell input: numbers, dates and times only in their exact forms.
#include <gtest/gtest.h>

#include "calcbridge/TypedInput.h"

namespace ombra {
namespace {

TEST(TypedInput, DatesTimesAndNumbersOnlyInTheirExactForms) {
    EXPECT_EQ(TypeCellInput("12.5").kind, TypedInput::Number);
    EXPECT_EQ(TypeCellInput("-0.25").number, -0.25);
    TypedInput date = TypeCellInput("2026/12/08");
    ASSERT_EQ(date.kind, TypedInput::Date);
    EXPECT_EQ(DaySerial(date.year, date.month, date.day, 1899, 12, 30), 46364);
    EXPECT_EQ(DaySerial(2024, 2, 29, 1899, 12, 30), 45351);
    EXPECT_EQ(DaySerial(1904, 1, 1, 1904, 1, 1), 0);
    TypedInput time = TypeCellInput("04:29:50");
    ASSERT_EQ(time.kind, TypedInput::Time);
    EXPECT_DOUBLE_EQ(time.number, (4 * 3600 + 29 * 60 + 50) / 86400.0);
    EXPECT_EQ(TypeCellInput("23:59:59").kind, TypedInput::Time);
    EXPECT_EQ(TypeCellInput("2024/02/29").kind, TypedInput::Date);
    for (const char *text : {"2026/13/40", "2023/02/29", "2026/12/8", "2026/12/08;", "24:00:00", "12:60:00",
                             "4:29:50", "04:29:50 ", "=1+2", "1e3", "12,5", "---", "L*", "", " 7", "2026-12-08"})
        EXPECT_EQ(TypeCellInput(text).kind, TypedInput::Text) << text;
}

}  // namespace
}  // namespace ombra
