// The document launchers, without ever starting a real application: on POSIX the fixed
// application paths ("C:/...") are relative, so each test puts a small recording script at
// such a path inside its scratch directory.
#include "dunmoral_api.h"

#if defined(_WIN32)

TEST_F(DunmoralTest, LaunchersAreOnlyTestedWherePathsCannotReachARealApplication) {
    GTEST_SKIP() << "on Windows the fixed paths name real applications";
}

#else

#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

const std::string kPdfReader = "C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe";
const std::string kPdfDocument = "C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/pdfFiles/TestA.pdf";
const std::string kNotePad = "C:/Windows/System32/notepad";
const std::string kNotePadDocument =
    "C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/notePadFiles/TestA.txt";

const std::string kViewers[7] = {
    "C:/Program Files/Adobe/Reader 10.0/Reader/AcroRd32.exe",
    "C:/Windows/System32/notepad",
    "C:/Program Files/Microsoft Office/Office14/EXCEL.exe",
    "C:/Program Files/Microsoft Office/Office14/WINWORD.exe",
    "C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe",
    "C:/Program Files (x86)/Microsoft Office/Office14/EXCEL.exe",
    "C:/Program Files (x86)/Microsoft Office/Office14/WINWORD.exe",
};

// Writes "launched.txt" when done: its own path and each argument, each ended by a zero byte.
const std::string kRecordArguments =
    "#!/bin/sh\n"
    "printf '%s\\0' \"$0\" \"$@\" > launched.tmp\n"
    "mv launched.tmp launched.txt\n";

void installScript(const std::string& path, const std::string& body) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeFile(path, body);
    ::chmod(path.c_str(), 0755);
}

// The script's record, once it is complete; empty if the script never finished.
std::vector<std::string> awaitLaunch() {
    for (int i = 0; i < 3000 && !std::filesystem::exists("launched.txt"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string record = readFile("launched.txt");
    std::filesystem::remove("launched.txt");
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t end; (end = record.find('\0', start)) != std::string::npos; start = end + 1) {
        words.push_back(record.substr(start, end - start));
    }
    return words;
}

// True when this process has no child at all, running or a zombie.
bool noChildren() {
    errno = 0;
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

struct FixedLauncher {
    const char* name;
    decltype(DunmoralApi::openPdf) DunmoralApi::*call;
    const std::string* application;
    const std::string* document;
};

const FixedLauncher kFixedLaunchers[] = {
    {"openPdf", &DunmoralApi::openPdf, &kPdfReader, &kPdfDocument},
    {"openNotePad", &DunmoralApi::openNotePad, &kNotePad, &kNotePadDocument},
};

// The command interpreter's status from the log, which must otherwise read exactly as expected.
int loggedStatus(const std::string& log, const FixedLauncher& launcher) {
    const std::string head = "\nDebug File Opened\n cmd = \"" + *launcher.application + "\" " +
                             *launcher.document + "\n result of system call = ";
    EXPECT_EQ(log.substr(0, head.size()), head);
    const std::string number = log.substr(std::min(head.size(), log.size()));
    EXPECT_EQ(number.find_first_not_of("-0123456789"), std::string::npos) << number;
    return number.empty() ? -1 : std::stoi(number);
}

}  // namespace

TEST_F(DunmoralTest, TheFixedCommandPartsHaveTheirDocumentedLengths) {
    EXPECT_EQ(kPdfReader.size() + 2, 62u);  // with its quotes
    EXPECT_EQ(kPdfDocument.size(), 61u);
    EXPECT_EQ(kNotePad.size() + 2, 29u);
    EXPECT_EQ(kNotePadDocument.size(), 65u);
}

TEST_F(DunmoralTest, AMissingApplicationShowsAsTheShellsNotFoundStatus) {
    for (const FixedLauncher& launcher : kFixedLaunchers) {
        SCOPED_TRACE(launcher.name);
        writeFile("debug.txt", "an older log that must be gone afterwards, every byte of it\n");
        (api_.*launcher.call)();
        const int status = loggedStatus(testsupport::readFile("debug.txt"), launcher);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 127);  // the shell's "command not found"
    }
}

TEST_F(DunmoralTest, TheFixedLaunchersRunTheirDocumentAndLogTheStatus) {
    for (const FixedLauncher& launcher : kFixedLaunchers) {
        SCOPED_TRACE(launcher.name);
        installScript(*launcher.application, kRecordArguments + "exit 3\n");
        (api_.*launcher.call)();
        // system() has returned, so the script is done.
        EXPECT_EQ(awaitLaunch(), (std::vector<std::string>{*launcher.application, *launcher.document}));
        const int status = loggedStatus(testsupport::readFile("debug.txt"), launcher);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 3);
        EXPECT_TRUE(noChildren());
    }
}

TEST_F(DunmoralTest, TheFixedLaunchersLeaveTheLogClosed) {
    writeFile("truss.txt", "1 2 3 4 5\n");
    for (const FixedLauncher& launcher : kFixedLaunchers) {
        SCOPED_TRACE(launcher.name);
        api_.openTrussDataFile(u"truss.txt");
        (api_.*launcher.call)();
        const std::string log = logText();
        EXPECT_EQ(parsePlain().values, (std::array<int32_t, 5>{1, 2, 3, 4, 5}));
        EXPECT_EQ(logText(), log);  // the parse wrote no entry
    }
}

TEST_F(DunmoralTest, OpenTextFileStartsTheViewerOfItsCode) {
    for (const std::string& viewer : kViewers) {
        installScript(viewer, kRecordArguments);
    }
    struct Case {
        int32_t code;
        int viewer;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 2},  {3, 3},  {4, 4},        {5, 5},
                          {6, 6}, {7, 6}, {-1, 6}, {1000, 6}, {INT32_MIN, 6}, {INT32_MAX, 6}};
    for (const Case& c : cases) {
        api_.openTextFile(c.code, u"doc.txt");
        EXPECT_EQ(awaitLaunch(), (std::vector<std::string>{kViewers[c.viewer], "doc.txt"}))
            << "code " << c.code;
    }
    EXPECT_FALSE(logExists());  // openTextFile writes no log
}

// The document reaches the application as the words a Windows program would see; never through
// a shell. Every case that a shell would run creates the file "injected".
TEST_F(DunmoralTest, OpenTextFileHandsTheDocumentOverAsPlainWords) {
    installScript(kNotePad, kRecordArguments);
    struct Case {
        const char16_t* document;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {nullptr, {}},
        {u"", {}},
        {u"   ", {}},
        {u"notes.txt", {"notes.txt"}},
        {u"C:/My Documents/a b.txt", {"C:/My", "Documents/a", "b.txt"}},
        {u"\"C:/My Documents/a b.txt\"", {"C:/My Documents/a b.txt"}},
        {u"\\\"quoted\\\" \\\\server\\share", {"\"quoted\"", "\\\\server\\share"}},
        {u"\u0141\u00F3d\u017A.txt \U0001F600", {"\xC5\x81\xC3\xB3" "d\xC5\xBA.txt", "\xF0\x9F\x98\x80"}},
        {u"a.txt; touch injected", {"a.txt;", "touch", "injected"}},
        {u"$(touch injected)", {"$(touch", "injected)"}},
        {u"`touch injected`", {"`touch", "injected`"}},
        {u"a.txt && touch injected || touch injected", {"a.txt", "&&", "touch", "injected", "||", "touch", "injected"}},
        {u"\"a.txt\n touch injected\"", {"a.txt\n touch injected"}},
        {u"> injected", {">", "injected"}},
    };
    for (const Case& c : cases) {
        api_.openTextFile(1, c.document);
        std::vector<std::string> expected{kNotePad};
        expected.insert(expected.end(), c.words.begin(), c.words.end());
        const std::vector<std::string> launched = awaitLaunch();
        EXPECT_EQ(launched, expected);
    }
    EXPECT_FALSE(std::filesystem::exists("injected"));
}

TEST_F(DunmoralTest, OpenTextFileReturnsWithoutWaitingAndLeavesNoChild) {
    // The viewer waits for the test to release it, which the test does only after openTextFile
    // has returned: a launcher that waited would find it never released.
    installScript(kNotePad,
                  "#!/bin/sh\n"
                  "i=0\n"
                  "while [ ! -e release ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n"
                  "if [ -e release ]; then w=released; else w=unreleased; fi\n"
                  "printf '%s\\0' \"$w\" > launched.tmp\n"
                  "mv launched.tmp launched.txt\n");
    ASSERT_TRUE(noChildren());
    api_.openTextFile(1, u"doc.txt");
    EXPECT_TRUE(noChildren());  // the viewer runs, yet is not ours to reap
    writeFile("release", "");
    EXPECT_EQ(awaitLaunch(), (std::vector<std::string>{"released"}));
    EXPECT_TRUE(noChildren());
}

TEST_F(DunmoralTest, OpenTextFileIgnoresAMissingApplication) {
    api_.openTextFile(3, u"doc.txt");
    EXPECT_TRUE(noChildren());
    EXPECT_FALSE(logExists());
}

#endif
