// The launchers on Windows, through the real command interpreter and ShellExecuteW. No test may
// start a real application (Wine ships a working Notepad), so each case uses a launcher whose
// fixed application is absent, and is skipped on a machine where it is installed.
#include "dunmoral_api.h"

#if defined(_WIN32)

#include <filesystem>
#include <string>

namespace {

const std::string kPdfReader = "C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe";
const std::string kPdfDocument = "C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/pdfFiles/TestA.pdf";

bool installed(const std::string& application) { return std::filesystem::exists(application); }

}  // namespace

TEST_F(DunmoralTest, OpenPdfRunsItsCommandThroughTheInterpreterAndLogsTheStatus) {
    if (installed(kPdfReader)) {
        GTEST_SKIP() << kPdfReader << " is installed here and would start";
    }
    api_.openPdf();

    // The interpreter has returned: a missing application is a failure status, not 0.
    const std::string command = "\"" + kPdfReader + "\" " + kPdfDocument;
    const std::string prefix =
        "\nDebug File Opened\n cmd = " + command + "\n result of system call = ";
    const std::string log = logText();
    ASSERT_EQ(log.substr(0, prefix.size()), prefix) << log;
    const std::string status = log.substr(prefix.size());
    ASSERT_FALSE(status.empty());
    EXPECT_NE(std::stoi(status), 0) << log;
}

TEST_F(DunmoralTest, OpenTextFileHandsAbsentViewersToTheShellAndReturns) {
    struct Case {
        int32_t viewerCode;
        const char* application;
    };
    const Case cases[] = {
        {0, "C:/Program Files/Adobe/Reader 10.0/Reader/AcroRd32.exe"},
        {2, "C:/Program Files/Microsoft Office/Office14/EXCEL.exe"},
        {3, "C:/Program Files/Microsoft Office/Office14/WINWORD.exe"},
        {4, "C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe"},
        {5, "C:/Program Files (x86)/Microsoft Office/Office14/EXCEL.exe"},
        {6, "C:/Program Files (x86)/Microsoft Office/Office14/WINWORD.exe"},
        {-7, "C:/Program Files (x86)/Microsoft Office/Office14/WINWORD.exe"},
    };
    const std::u16string document = u"\"no such folder\\n\u00f6 document.txt\"";
    int tried = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.viewerCode);
        if (installed(c.application)) {
            continue;
        }
        api_.openTextFile(c.viewerCode, document.c_str());
        api_.openTextFile(c.viewerCode, nullptr);
        ++tried;
    }
    if (tried == 0) {
        GTEST_SKIP() << "every viewer is installed here";
    }
    // The shell's failure is ignored and nothing is logged.
    EXPECT_FALSE(logExists());
}

#endif
