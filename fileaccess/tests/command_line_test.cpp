// How a parameter string becomes arguments, by the rules a Windows program's runtime applies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"

namespace {

struct Case {
    std::u16string parameters;
    std::vector<std::u16string> arguments;
};

}  // namespace

TEST(DunmoralCommandLine, FollowsTheWindowsRules) {
    const Case cases[] = {
        {u"", {}},
        {u" \t ", {}},
        {u"one", {u"one"}},
        {u"  one   two\tthree  ", {u"one", u"two", u"three"}},
        {u"\"a b\" c", {u"a b", u"c"}},
        {u"a\"b c\"d e", {u"ab cd", u"e"}},          // quotes group inside a word
        {u"\"\"", {u""}},                              // an empty quoted argument
        {u"a \"\" b", {u"a", u"", u"b"}},
        {u"\"a\"\"b\"", {u"a\"b"}},                    // a doubled quote inside quotes
        {u"\"a\"\"\"b c\"", {u"a\"b", u"c"}},  // the third quote closes
        {u"\"unterminated quote", {u"unterminated quote"}},
        {u"a\\b", {u"a\\b"}},                          // backslashes not before a quote
        {u"a\\\\b c\\", {u"a\\\\b", u"c\\"}},
        {u"a\\\"b", {u"a\"b"}},                        // 1 backslash + quote: literal quote
        {u"a\\\\\"b c\"", {u"a\\b c"}},                // 2 + quote: one backslash, quote groups
        {u"a\\\\\\\"b", {u"a\\\"b"}},                  // 3 + quote: one backslash, literal quote
        {u"\"C:\\Program Files\\\\\" x", {u"C:\\Program Files\\", u"x"}},
        {u"C:\\Program Files\\x.txt", {u"C:\\Program", u"Files\\x.txt"}},
        {u"\u0141\u00F3d\u017A \U0001F600", {u"\u0141\u00F3d\u017A", u"\U0001F600"}},
        {u"a;b|c&d $(e) `f`", {u"a;b|c&d", u"$(e)", u"`f`"}},
        {u"\"a\nb\" c\rd", {u"a\nb", u"c\rd"}},      // only space and tab separate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dunmoral::splitCommandLine(c.parameters), c.arguments);
    }
}
