#include "core/text/SingleLineText.h"

#include <gtest/gtest.h>

namespace ruvo {
namespace {

struct Case {
    const char* what;
    std::u32string in;
    std::u32string out;
};

TEST(SingleLineTextTest, BreaksBecomeOneSpaceAndControlsGo) {
    const Case cases[] = {
        {"plain text is kept", U"田中 一郎", U"田中 一郎"},
        {"a spreadsheet cell pair", U"田中\t一郎", U"田中 一郎"},
        {"a run of breaks is one space", U"a\r\n\t\nb", U"a b"},
        {"CR alone", U"a\rb", U"a b"},
        {"line and paragraph separators", U"a\u2028b\u2029c", U"a b c"},
        {"a trailing line end", U"0312345678\r\n", U"0312345678 "},
        {"other C0 controls are dropped",
         U"a\x01\x1b"
         U"b\x7f"
         U"c",
         U"abc"},
        {"C1 controls are dropped", U"a\u0085b\u009fc", U"abc"},
        {"a control inside a run of breaks", U"a\r\x01\nb", U"a b"},
        {"spaces are no breaks", U"a  b", U"a  b"},
        {"empty", U"", U""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SingleLineText(c.in), c.out) << c.what;
}

} // namespace
} // namespace ruvo
