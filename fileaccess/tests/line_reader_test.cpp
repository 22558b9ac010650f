// The line reader: every state a host can meet, line ends in text mode, any line length, and
// how the bytes of a line become UTF-16.
#include <string>
#include <vector>

#include "dunmoral_api.h"

using testsupport::writeFile;

namespace {

struct Step {
    std::u16string line;
    int32_t eofAfter;
};

class DunmoralLineReaderTest : public DunmoralTest {
protected:
    void openWith(const std::string& bytes) {
        writeFile("lines.txt", bytes);
        ASSERT_EQ(api_.Open(u"lines.txt"), 0);
    }

    // Every step's line and Eof; past the end, further reads stay empty and Eof stays 1.
    void expectSteps(const std::vector<Step>& steps) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(readLine(), steps[i].line) << "line " << i;
            EXPECT_EQ(api_.Eof(), steps[i].eofAfter) << "after line " << i;
        }
        EXPECT_EQ(readLine(), u"");
        EXPECT_EQ(api_.Eof(), 1);
    }
};

}  // namespace

TEST_F(DunmoralLineReaderTest, WithNoStreamEofIsOneAndLinesAreEmpty) {
    EXPECT_EQ(api_.Eof(), 1);
    EXPECT_EQ(readLine(), u"");
    EXPECT_EQ(readLine(), u"");
    EXPECT_EQ(api_.Eof(), 1);

    openWith("a\nb\n");
    EXPECT_EQ(readLine(), u"a");
    EXPECT_EQ(api_.Close(), 0);
    EXPECT_EQ(api_.Eof(), 1);
    EXPECT_EQ(readLine(), u"");
}

TEST_F(DunmoralLineReaderTest, AnOpenedFileIsReadingBeforeTheFirstLine) {
    openWith("");
    EXPECT_EQ(api_.Eof(), 0);  // even empty: only a read finds the end
}

TEST_F(DunmoralLineReaderTest, AFailedOpenEndsAHostLoopOnEof) {
    for (const char16_t* path : {static_cast<const char16_t*>(u"missing.txt"),
                                 static_cast<const char16_t*>(u""),
                                 static_cast<const char16_t*>(nullptr)}) {
        EXPECT_EQ(api_.Open(path), -1);
        EXPECT_EQ(api_.Eof(), 1);
        int reads = 0;
        while (api_.Eof() == 0 && reads < 100) {
            api_.Readline();
            ++reads;
        }
        EXPECT_EQ(reads, 0);
        EXPECT_EQ(readLine(), u"");
        EXPECT_EQ(api_.Eof(), 1);
    }
}

TEST_F(DunmoralLineReaderTest, EofIsSetOnlyByTheReadThatMeetsTheEnd) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"ends with a line feed", "a\nb\n", {{u"a", 0}, {u"b", 0}, {u"", 1}}},
        {"no final line feed", "a\nb", {{u"a", 0}, {u"b", 1}}},
        {"empty file", "", {{u"", 1}}},
        {"an empty line in the middle", "a\n\nb\n", {{u"a", 0}, {u"", 0}, {u"b", 0}, {u"", 1}}},
        {"only a line feed", "\n", {{u"", 0}, {u"", 1}}},
        {"CR LF line ends", "a\r\nb\r\n", {{u"a", 0}, {u"b", 0}, {u"", 1}}},
        {"CR LF, an empty line", "\r\n\r\nz", {{u"", 0}, {u"", 0}, {u"z", 1}}},
        {"a lone CR stays in the line", "a\rb\nc\r", {{u"a\rb", 0}, {u"c\r", 1}}},
        {"CR CR LF keeps the first CR", "a\r\r\nb", {{u"a\r", 0}, {u"b", 1}}},
        {"a zero byte ends the string, not the line", std::string("ab\0cd\nnext", 10),
         {{u"ab", 0}, {u"next", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openWith(c.text);
        expectSteps(c.steps);
    }
}

TEST_F(DunmoralLineReaderTest, LinesHaveNoLengthLimit) {
    const std::string ascii(100000, 'x');
    std::string accented;
    for (int i = 0; i < 5000; ++i) {
        accented += "\xC3\xA9";  // é: 10000 bytes, 5000 code units
    }
    openWith(ascii + "\n" + accented + "\r\nend");
    expectSteps({{std::u16string(100000, u'x'), 0}, {std::u16string(5000, u'\u00E9'), 0},
                 {u"end", 1}});
}

TEST_F(DunmoralLineReaderTest, LinesAreDecodedAsUtf8AndStrayBytesKeepTheirValue) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"ASCII", "plain text", u"plain text"},
        {"two bytes", "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"three bytes", "\xE2\x82\xAC 5", u"\u20AC 5"},
        {"four bytes: a surrogate pair", "\xF0\x9F\x98\x80!", u"\U0001F600!"},
        {"the last code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"Latin-1 text", "\xE9t\xE9", u"\u00E9t\u00E9"},
        {"a stray continuation byte", "a\x80z", u"a\u0080z"},
        {"a sequence cut by the line end", "\xE2\x82", u"\u00E2\u0082"},
        {"a sequence cut by an ASCII byte", "\xC3(", u"\u00C3("},
        {"overlong slash", "\xC0\xAF", u"\u00C0\u00AF"},
        {"overlong three-byte form", "\xE0\x80\xAF", u"\u00E0\u0080\u00AF"},
        {"an encoded surrogate", "\xED\xA0\x80", u"\u00ED\u00A0\u0080"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080"},
        {"bytes never in UTF-8", "\xFF\xFE", u"\u00FF\u00FE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openWith(c.bytes + "\n");
        EXPECT_EQ(readLine(), c.text);
    }
}

TEST_F(DunmoralLineReaderTest, OpenClosesTheFileBeforeIt) {
    writeFile("first.txt", "a\nb\n");
    writeFile("second.txt", "c\n");
    ASSERT_EQ(api_.Open(u"first.txt"), 0);
    EXPECT_EQ(readLine(), u"a");
    ASSERT_EQ(api_.Open(u"second.txt"), 0);
    expectSteps({{u"c", 0}, {u"", 1}});

    // At the end of a file, opening it again reads it from the start.
    ASSERT_EQ(api_.Open(u"second.txt"), 0);
    EXPECT_EQ(api_.Eof(), 0);
    EXPECT_EQ(readLine(), u"c");

    // A failed open after a good one leaves nothing of the old file.
    EXPECT_EQ(api_.Open(u"missing.txt"), -1);
    EXPECT_EQ(readLine(), u"");
    EXPECT_EQ(api_.Eof(), 1);
}

TEST_F(DunmoralLineReaderTest, CloseTwiceReturnsZeroBothTimes) {
    EXPECT_EQ(api_.Close(), 0);
    openWith("a\n");
    EXPECT_EQ(api_.Close(), 0);
    EXPECT_EQ(api_.Close(), 0);
}

TEST_F(DunmoralLineReaderTest, APathIsOpenedByTheNameTheHostGave) {
    for (const std::u16string& path :
         {std::u16string(u"\u0141\u00F3d\u017A.txt"), std::u16string(u"\U0001F600 notes.txt")}) {
        writeFile(hostPath(path), "found\n");
        EXPECT_EQ(api_.Open(path.c_str()), 0);
        EXPECT_EQ(readLine(), u"found");
    }
    writeFile("bad\xED\xA0\x80.txt", "found\n");
    writeFile("bad\xEF\xBF\xBD.txt", "found\n");
    const char16_t lone[] = {u'b', u'a', u'd', 0xD800, u'.', u't', u'x', u't', 0};
    EXPECT_EQ(api_.Open(lone), -1);
}

TEST_F(DunmoralLineReaderTest, TheLineReaderSharesNothingWithTheTrussReader) {
    writeFile("truss.txt", "1 2 3 4 5\n6 7 8 9 10\n");
    api_.openTrussDataFile(u"truss.txt");
    ASSERT_EQ(api_.Open(u"truss.txt"), 0);
    EXPECT_EQ(readLine(), u"1 2 3 4 5");
    EXPECT_EQ(api_.Close(), 0);
    std::array<int32_t, 5> expected{1, 2, 3, 4, 5};
    EXPECT_EQ(parsePlain().values, expected);
    EXPECT_EQ(logText(), "\nDebug File Opened\n len = 9\nFile truss.txt Opened\n1 2 3 4 5");
}
