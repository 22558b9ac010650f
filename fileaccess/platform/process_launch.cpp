#include "platform/process_launch.h"

#include <string>

#if defined(_WIN32)

#include <windows.h>
#include <shellapi.h>

namespace dunmoral::platform {

void launchDetached(std::u16string_view application, std::u16string_view parameters) {
    const std::wstring file(application.begin(), application.end());
    const std::wstring arguments(parameters.begin(), parameters.end());
    ShellExecuteW(nullptr, L"open", file.c_str(), arguments.c_str(), L"", SW_SHOW);
}

}  // namespace dunmoral::platform

#else

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "command_line.h"
#include "unicode_text.h"

namespace dunmoral::platform {

void launchDetached(std::u16string_view application, std::u16string_view parameters) {
    // Everything is built before fork: between fork and exec only async-signal-safe calls.
    std::vector<std::string> words;
    words.push_back(toUtf8Lossy(application));
    for (const std::u16string& argument : splitCommandLine(parameters)) {
        words.push_back(toUtf8Lossy(argument));
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    // Double fork: the middle process exits at once and is reaped here, so the application is
    // adopted by init and never becomes our zombie; we wait only for the fork, not for it.
    const pid_t middle = fork();
    if (middle < 0) {
        return;
    }
    if (middle == 0) {
        setsid();  // away from the host's terminal and its signals
        const pid_t viewer = fork();
        if (viewer == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
        _exit(viewer < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace dunmoral::platform

#endif
