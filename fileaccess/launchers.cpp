#include "launchers.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "debug_log.h"
#include "platform/process_launch.h"

namespace dunmoral::launch {

namespace {

// The application part keeps its quotes: the path has spaces.
struct FixedCommand {
    const char* application;
    const char* document;
};

constexpr FixedCommand kPdfCommand{
    "\"C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe\"",
    "C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/pdfFiles/TestA.pdf"};

constexpr FixedCommand kNotePadCommand{
    "\"C:/Windows/System32/notepad\"",
    "C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/notePadFiles/TestA.txt"};

constexpr std::u16string_view viewerTable[] = {
    u"C:/Program Files/Adobe/Reader 10.0/Reader/AcroRd32.exe",
    u"C:/Windows/System32/notepad",
    u"C:/Program Files/Microsoft Office/Office14/EXCEL.exe",
    u"C:/Program Files/Microsoft Office/Office14/WINWORD.exe",
    u"C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe",
    u"C:/Program Files (x86)/Microsoft Office/Office14/EXCEL.exe",
    u"C:/Program Files (x86)/Microsoft Office/Office14/WINWORD.exe",
};

// The strings are the library's own, never the host's, so the command interpreter may see them.
// Where the application is missing only the interpreter's status tells, and the log records it.
void runLogged(const FixedCommand& command) {
    debuglog::reopen();
    std::FILE* log = debuglog::stream();
    if (log != nullptr) {
        std::fprintf(log, "\n%s", debuglog::kBanner);
    }
    const std::string line = std::string(command.application) + " " + command.document;
    if (log != nullptr) {
        std::fprintf(log, "\n cmd = %s", line.c_str());
    }
    const int status = std::system(line.c_str());
    if (log != nullptr) {
        std::fprintf(log, "\n result of system call = %d", status);
    }
    debuglog::close();
}

}  // namespace

void openPdf() { runLogged(kPdfCommand); }

void openNotePad() { runLogged(kNotePadCommand); }

std::u16string_view viewerApplication(int32_t code) {
    constexpr int32_t last = static_cast<int32_t>(std::size(viewerTable)) - 1;
    return viewerTable[code >= 0 && code < last ? code : last];
}

void openTextFile(int32_t code, std::u16string_view document) {
    platform::launchDetached(viewerApplication(code), document);
}

}  // namespace dunmoral::launch
