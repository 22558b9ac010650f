// The truss data reader and the debug log: record layouts as the scan formats read them, the
// log's exact text for every entry, and the library's answer where the host strays.
#include <climits>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "dunmoral_api.h"

using testsupport::writeFile;

namespace {

using Values = std::array<int32_t, 5>;

const std::string kBanner = "\nDebug File Opened";

enum class Layout { plain, tagged };

// The log entry a parse writes for values: "\n%d %d %d %d %d" or "\n%c %d %d %d %d".
std::string entry(Layout layout, const Values& v) {
    std::string text = "\n";
    if (layout == Layout::tagged) {
        text += static_cast<char>(v[0]);
    } else {
        text += std::to_string(v[0]);
    }
    for (int i = 1; i < 5; ++i) {
        text += " " + std::to_string(v[i]);
    }
    return text;
}

// Nested directories and a file name making a relative path of exactly `units` characters.
std::string pathOfLength(std::size_t units) {
    std::string path;
    while (units - path.size() > 60) {
        path += std::string(50, 'd') + "/";
        std::filesystem::create_directory(path);
    }
    path += std::string(units - path.size() - 4, 'f') + ".txt";
    return path;
}

std::u16string widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace

TEST_F(DunmoralTest, TheWorkedExampleLeavesTheLogLineByLine) {
    std::filesystem::create_directory("trusses");
    writeFile("trusses/T1.txt", "1 2 3 4 5\n6 7 8 9 10\n");
    api_.openTrussDataFile(u"trusses/T1.txt");
    const Parsed first = parsePlain();
    const Parsed second = parsePlain();
    EXPECT_EQ(first.values, (Values{1, 2, 3, 4, 5}));
    EXPECT_EQ(second.values, (Values{6, 7, 8, 9, 10}));
    EXPECT_EQ(second.result, 10);  // the fifth value
    EXPECT_EQ(logText(),
              "\nDebug File Opened\n len = 14\nFile trusses/T1.txt Opened\n1 2 3 4 5\n6 7 8 9 10");
}

TEST_F(DunmoralTest, OpenDataFileReadsTheFixedFileOrSaysItIsMissing) {
    api_.openDataFile();
    EXPECT_EQ(logText(), kBanner + "\nFile TestTruss.txt NOT opened");

    writeFile("TestTruss.txt", "3 1 4 1 5\n");
    api_.openDataFile();
    EXPECT_EQ(parsePlain().values, (Values{3, 1, 4, 1, 5}));
    EXPECT_EQ(logText(), kBanner + "\nFile Opened\n3 1 4 1 5");
}

TEST_F(DunmoralTest, OpenDebugFileLeavesOnlyTheBareBanner) {
    writeFile("debug.txt", "an older log, much longer than the banner alone\n");
    api_.openDebugFile();
    EXPECT_EQ(testsupport::readFile("debug.txt"), "Debug File Opened");  // closed: no flush needed
}

TEST_F(DunmoralTest, NamedFilesThatDoNotOpenAreLoggedWithTheirLength) {
    struct Case {
        const char16_t* path;
        std::string log;
    };
    const Case cases[] = {
        {nullptr, "\n len = 0\nFile  NOT opened"},  // the host's empty string
        {u"", "\n len = 0\nFile  NOT opened"},
        {u"missing.txt", "\n len = 11\nFile missing.txt NOT opened"},
        {u"no/such/dir/t.txt", "\n len = 17\nFile no/such/dir/t.txt NOT opened"},
    };
    for (const Case& c : cases) {
        api_.openTrussDataFile(c.path);
        EXPECT_EQ(logText(), kBanner + c.log) << c.log;
        EXPECT_EQ(parsePlain().values, (Values{0, 0, 0, 0, 0})) << c.log;
    }
}

TEST_F(DunmoralTest, APathIsOpenedByTheNameTheHostGave) {
    struct Case {
        std::u16string path;
        std::string utf8;
        int units;
    };
    const Case cases[] = {
        {u"\u0141\u00F3d\u017A.txt", "\xC5\x81\xC3\xB3" "d\xC5\xBA.txt", 8},  // Łódź.txt
        {u"\U0001F600.txt", "\xF0\x9F\x98\x80.txt", 6},  // a surrogate pair counts two units
        {u"dir with spaces/\u00E9t\u00E9.txt", "dir with spaces/\xC3\xA9t\xC3\xA9.txt", 23},
    };
    std::filesystem::create_directory("dir with spaces");
    // Where the low byte of each unit was taken instead, this decoy would open.
    writeFile("A\xF3" "dz.txt", "9 9 9 9 9\n");
    for (const Case& c : cases) {
        writeFile(hostPath(c.path), "1 2 3 4 5\n");
        api_.openTrussDataFile(c.path.c_str());
        EXPECT_EQ(parsePlain().values, (Values{1, 2, 3, 4, 5})) << c.utf8;
        EXPECT_EQ(logText(), kBanner + "\n len = " + std::to_string(c.units) + "\nFile " + c.utf8 +
                                 " Opened\n1 2 3 4 5");
    }
}

TEST_F(DunmoralTest, PathsOfAnyLengthOpen) {
#if defined(_WIN32)
    // Past 260 characters with the scratch directory, Windows itself refuses a relative path.
    const std::size_t longest = 150;
#else
    const std::size_t longest = 400;
#endif
    for (const std::size_t units : {std::size_t{79}, std::size_t{80}, longest}) {
        const std::string path = pathOfLength(units);
        ASSERT_EQ(path.size(), units);
        writeFile(path, "4 3 2 1 0\n");
        api_.openTrussDataFile(widened(path).c_str());
        EXPECT_EQ(parsePlain().values, (Values{4, 3, 2, 1, 0})) << units;
        EXPECT_EQ(logText(), kBanner + "\n len = " + std::to_string(units) + "\nFile " + path +
                                 " Opened\n4 3 2 1 0");
    }
}

TEST_F(DunmoralTest, APathWithAnUnpairedSurrogateIsNotOpened) {
    // The names a careless conversion would reach: the surrogate encoded as if it were a
    // character, and the replacement character.
    writeFile("bad\xED\xA0\x80.txt", "1 1 1 1 1\n");
    writeFile("bad\xEF\xBF\xBD.txt", "2 2 2 2 2\n");
    const char16_t lone[] = {u'b', u'a', u'd', 0xD800, u'.', u't', u'x', u't', 0};
    api_.openTrussDataFile(lone);
    EXPECT_EQ(parsePlain().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_EQ(logText(), kBanner + "\n len = 8\nFile bad\xEF\xBF\xBD.txt NOT opened\n0 0 0 0 0");

    const char16_t reversed[] = {u'x', 0xDC00, 0xD800, 0};  // low before high pairs nothing
    api_.openTrussDataFile(reversed);
    EXPECT_EQ(logText(), kBanner + "\n len = 3\nFile x\xEF\xBF\xBD\xEF\xBF\xBD NOT opened");
}

// Reads truss.txt, holding `text`, one record per step in the step's layout, and checks each
// record, each result (the fifth value) and the log the reads leave behind.
class DunmoralRecordTest : public DunmoralTest {
protected:
    struct Step {
        Layout layout;
        Values values;
    };

    void expectReads(const std::string& text, const std::vector<Step>& steps) {
        writeFile("truss.txt", text);
        api_.openTrussDataFile(u"truss.txt");
        std::string expectedLog = kBanner + "\n len = 9\nFile truss.txt Opened";
        for (const Step& step : steps) {
            const Parsed p = step.layout == Layout::plain ? parsePlain() : parseTagged();
            EXPECT_EQ(p.values, step.values);
            EXPECT_EQ(p.result, step.values[4]);
            expectedLog += entry(step.layout, step.values);
        }
        EXPECT_EQ(logText(), expectedLog);
    }

    // Every record in the one layout.
    void expectReads(Layout layout, const std::string& text, const std::vector<Values>& records) {
        std::vector<Step> steps;
        for (const Values& record : records) {
            steps.push_back({layout, record});
        }
        expectReads(text, steps);
    }
};

TEST_F(DunmoralRecordTest, PlainRecordsReadFiveIntegersAcrossAnyWhitespace) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Values> records;
    };
    const Case cases[] = {
        {"signs and limits", "-12 0 +7 2147483647 -2147483648\n",
         {{-12, 0, 7, INT32_MAX, INT32_MIN}}},
        {"tabs, runs of spaces, a record over several lines", "1\t2   3\n4\n\n5\n  6 7 8 9 10\n",
         {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}}},
        {"CR LF line ends", "1 2 3 4 5\r\n6 7 8 9 10\r\n", {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}}},
        {"no line end after the last", "1 2 3 4 5\n6 7 8 9 10", {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}}},
        {"the end of the data", "1 2 3 4 5\n7 8", {{1, 2, 3, 4, 5}, {7, 8, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {"text where an integer belongs stops the scan", "1 2 x 4 5\n",
         {{1, 2, 0, 0, 0}, {0, 0, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectReads(Layout::plain, c.text, c.records);
        EXPECT_EQ(api_.closeFile(), 0);
    }
}

TEST_F(DunmoralRecordTest, TaggedRecordsReadTheNextByteThenFourIntegers) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Values> records;
    };
    const Case cases[] = {
        {"letters", "N 1 2 3 4\nM 5 6 7 8\n", {{'N', 1, 2, 3, 4}, {'M', 5, 6, 7, 8}}},
        {"the letter N arrives as 78", "N 0 0 0 0\n", {{78, 0, 0, 0, 0}}},
        {"a first line starting with a space", " 1 2 3 4\n", {{' ', 1, 2, 3, 4}}},
        {"blank lines after a record are skipped", "N -1 -2 -3 -4\n\n\n  M 5 6 7 8",
         {{'N', -1, -2, -3, -4}, {'M', 5, 6, 7, 8}}},
        {"CR LF line ends", "N 1 2 3 4\r\n\r\nM 5 6 7 8\r\n", {{'N', 1, 2, 3, 4}, {'M', 5, 6, 7, 8}}},
        // Bytes above 0x7F arrive sign-extended: 0xE9 - 0x100 and 0x80 - 0x100.
        {"bytes above 0x7F", "\xE9 1 2 3 4\n\x80 5 6 7 8\n\x7F 9 9 9 9\n",
         {{-23, 1, 2, 3, 4}, {-128, 5, 6, 7, 8}, {127, 9, 9, 9, 9}}},
        {"the end of the data", "N 1 2 3 4\n", {{'N', 1, 2, 3, 4}, {0, 0, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectReads(Layout::tagged, c.text, c.records);
    }
}

// parseLine leaves the line end unread, and parseLineNew takes the very next byte as its tag.
TEST_F(DunmoralRecordTest, ATaggedReadAfterAPlainOneSeesTheLineEnd) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Step> steps;
    };
    const std::vector<Step> letterAfterPlain = {{Layout::plain, {1, 2, 3, 4, 5}},
                                                {Layout::tagged, {10, 0, 0, 0, 0}},
                                                {Layout::tagged, {'N', 6, 7, 8, 9}}};
    const Case cases[] = {
        // The letter stops the first integer scan; the next tagged read takes the record whole.
        {"a tagged record follows", "1 2 3 4 5\nN 6 7 8 9\n", letterAfterPlain},
        // Text mode: the same file with CR LF reads the same.
        {"a tagged record follows, CR LF", "1 2 3 4 5\r\nN 6 7 8 9\r\n", letterAfterPlain},
        // A lone CR is no line end and stays a byte of its own.
        {"a lone CR", "1 2 3 4 5\rN 6 7 8 9\n",
         {{Layout::plain, {1, 2, 3, 4, 5}},
          {Layout::tagged, {13, 0, 0, 0, 0}},
          {Layout::tagged, {'N', 6, 7, 8, 9}}}},
        // A plain record follows: the tagged read takes its first four integers.
        {"a plain record follows", "1 2 3 4 5\n6 7 8 9 10\n",
         {{Layout::plain, {1, 2, 3, 4, 5}},
          {Layout::tagged, {10, 6, 7, 8, 9}},
          {Layout::plain, {10, 0, 0, 0, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectReads(c.text, c.steps);
    }
}

TEST_F(DunmoralTest, TheTaggedEntryForALineEndTagBreaksTheLine) {
    writeFile("truss.txt", "1 2 3 4 5\nN 6 7 8 9\n");
    api_.openTrussDataFile(u"truss.txt");
    parsePlain();
    parseTagged();
    EXPECT_EQ(logText(), kBanner + "\n len = 9\nFile truss.txt Opened\n1 2 3 4 5\n\n 0 0 0 0");
}

TEST_F(DunmoralTest, AParseWithNothingOpenDeliversZeros) {
    // Before any open: nothing to read, no log to write.
    EXPECT_EQ(parsePlain().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_EQ(parseTagged().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_FALSE(logExists());

    // The log is open, the data file is not: the entries still show what was delivered. An
    // unconverted tag is the zero byte.
    api_.openTrussDataFile(u"missing.txt");
    EXPECT_EQ(parsePlain().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_EQ(parseTagged().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_EQ(logText(), kBanner + "\n len = 11\nFile missing.txt NOT opened\n0 0 0 0 0" +
                             std::string("\n\0 0 0 0 0", 10));
}

TEST_F(DunmoralTest, CloseFileClosesTheDataButLeavesTheLogOpen) {
    EXPECT_EQ(api_.closeFile(), 0);  // nothing open
    writeFile("truss.txt", "1 2 3 4 5\n6 7 8 9 10\n");
    api_.openTrussDataFile(u"truss.txt");
    parsePlain();
    EXPECT_EQ(api_.closeFile(), 0);
    EXPECT_EQ(api_.closeFile(), 0);
    EXPECT_EQ(parsePlain().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_EQ(logText(), kBanner + "\n len = 9\nFile truss.txt Opened\n1 2 3 4 5\n0 0 0 0 0");
}

TEST_F(DunmoralTest, AfterOpenDebugFileAParseReadsButWritesNoEntry) {
    writeFile("truss.txt", "1 2 3 4 5\n");
    api_.openTrussDataFile(u"truss.txt");
    api_.openDebugFile();
    EXPECT_EQ(parsePlain().values, (Values{1, 2, 3, 4, 5}));
    EXPECT_EQ(logText(), "Debug File Opened");
}

TEST_F(DunmoralTest, ReopeningLeavesOnlyTheNewLog) {
    // The first log is longer than the second: text of a stream left open would show past the
    // end of the new log, or over its start.
    writeFile("long.txt", "1 2 3 4 5\n6 7 8 9 10\n11 12 13 14 15\n");
    api_.openTrussDataFile(u"long.txt");
    parsePlain();
    parsePlain();
    parsePlain();
    api_.openTrussDataFile(u"x");
    EXPECT_EQ(logText(), kBanner + "\n len = 1\nFile x NOT opened");

    api_.openTrussDataFile(u"long.txt");
    parsePlain();
    api_.openDataFile();
    EXPECT_EQ(logText(), kBanner + "\nFile TestTruss.txt NOT opened");

    api_.openTrussDataFile(u"long.txt");
    parsePlain();
    api_.openDebugFile();
    EXPECT_EQ(logText(), "Debug File Opened");
}

TEST_F(DunmoralTest, ReopeningStartsTheDataFileOver) {
    writeFile("truss.txt", "1 2 3 4 5\n6 7 8 9 10\n");
    api_.openTrussDataFile(u"truss.txt");
    parsePlain();
    api_.openTrussDataFile(u"truss.txt");
    EXPECT_EQ(parsePlain().values, (Values{1, 2, 3, 4, 5}));
}

#if defined(__linux__)
TEST_F(DunmoralTest, ReopeningHoldsNoMoreFilesThanOneOpen) {
    auto openDescriptors = [] {
        std::fflush(nullptr);
        const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(begin(entries), end(entries));
    };
    writeFile("truss.txt", "1 2 3 4 5\n");
    api_.openTrussDataFile(u"truss.txt");
    const auto afterOne = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        api_.openTrussDataFile(u"truss.txt");
        api_.openDataFile();
    }
    api_.openTrussDataFile(u"truss.txt");
    EXPECT_EQ(openDescriptors(), afterOne);
}
#endif

TEST_F(DunmoralTest, NullOutParametersSkipTheStoreButNotTheRead) {
    writeFile("truss.txt", "1 2 3 4 5\nN 6 7 8 9\n4 3 2 1 0\n");
    api_.openTrussDataFile(u"truss.txt");
    EXPECT_EQ(api_.parseLine(nullptr, nullptr, nullptr, nullptr, nullptr), 5);
    EXPECT_EQ(api_.parseLineNew(nullptr, nullptr, nullptr, nullptr, nullptr), 0);  // tag 10
    EXPECT_EQ(api_.parseLineNew(nullptr, nullptr, nullptr, nullptr, nullptr), 9);
    EXPECT_EQ(parsePlain().values, (Values{4, 3, 2, 1, 0}));
}

TEST_F(DunmoralTest, ALogThatCannotBeCreatedLeavesTheReaderWorking) {
    std::filesystem::create_directory("debug.txt");  // a directory cannot be opened for writing
    writeFile("truss.txt", "1 2 3 4 5\n");
    api_.openTrussDataFile(u"truss.txt");
    EXPECT_EQ(parsePlain().values, (Values{1, 2, 3, 4, 5}));
    api_.openDebugFile();
    api_.openDataFile();
    EXPECT_EQ(parsePlain().values, (Values{0, 0, 0, 0, 0}));
    EXPECT_TRUE(std::filesystem::is_directory("debug.txt"));
}
