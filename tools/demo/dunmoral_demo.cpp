// Dunmoral demo host: loads the library by name as the game does, reads a truss data file in
// both record layouts and a UTF-8 text file line by line, then shows the debug log it left.
//
// The library keeps the log open and buffered between calls; its text reaches the disk when
// the process ends. So the host's session runs in a child process, and the log is shown once
// that process has ended, as a developer would find it after the game.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "dunmoral.h"

namespace {

// UTF-8 for the terminal; the library hands out valid UTF-16 for valid UTF-8 input.
std::string utf8(const char16_t* text) {
    std::string out;
    for (std::size_t i = 0; text[i] != 0; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        auto put = [&out](char32_t b) { out.push_back(static_cast<char>(b)); };
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::size_t units(const char16_t* text) {
    std::size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

template <typename Function>
Function lookUp(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "dunmoral-demo: export %s not found\n", name);
        std::exit(1);
    }
    return reinterpret_cast<Function>(symbol);
}

#define LOOK_UP(name) const auto name = lookUp<decltype(&::name)>(library, #name)

// The host's session, in the child process.
int runSession() {
    void* library = dlopen("libDunmoral.so", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "dunmoral-demo: %s\n", dlerror());
        return 1;
    }
    LOOK_UP(openTrussDataFile);
    LOOK_UP(parseLine);
    LOOK_UP(parseLineNew);
    LOOK_UP(closeFile);
    LOOK_UP(Open);
    LOOK_UP(Readline);
    LOOK_UP(Eof);
    LOOK_UP(Close);
    std::printf("libDunmoral.so loaded by name, 8 of its 13 exports looked up\n");

    // The file has no header: the host knows it holds six tagged records (joints J, members M)
    // followed by two plain ones (loads). Tagged records come first, since a tagged read right
    // after a plain one would take the plain record's line end as its tag.
    std::printf("\n-- truss data: dunmoral-truss.txt\n");
    openTrussDataFile(u"dunmoral-truss.txt");
    for (int i = 0; i < 6; ++i) {
        int32_t tag = 0, b = 0, c = 0, d = 0, e = 0;
        parseLineNew(&tag, &b, &c, &d, &e);
        std::printf("tagged record  %c (%3d)  %5d %5d %5d %5d\n", static_cast<char>(tag), tag, b,
                    c, d, e);
    }
    for (int i = 0; i < 2; ++i) {
        int32_t a = 0, b = 0, c = 0, d = 0, e = 0;
        parseLine(&a, &b, &c, &d, &e);
        std::printf("plain record          %5d %5d %5d %5d %5d\n", a, b, c, d, e);
    }
    std::printf("closeFile -> %d\n", closeFile());

    std::printf("\n-- line reader: dunmoral-notes.txt (UTF-8, one line ends in CR LF)\n");
    if (Open(u"dunmoral-notes.txt") != 0) {
        std::printf("Open failed\n");
    }
    for (int n = 1; Eof() == 0; ++n) {
        const char16_t* line = Readline();
        std::printf("line %d, %2zu UTF-16 units: %s\n", n, units(line), utf8(line).c_str());
    }
    std::printf("Eof -> 1 (a file ending in a line feed gives one last empty line first); "
                "Close -> %d\n", Close());
    std::fflush(stdout);
    return 0;  // exit flushes the log the library still holds open
}

}  // namespace

int main() {
    std::fflush(stdout);
    const pid_t session = fork();
    if (session < 0) {
        std::perror("dunmoral-demo: fork");
        return 1;
    }
    if (session == 0) {
        std::exit(runSession());
    }
    int status = 0;
    if (waitpid(session, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "dunmoral-demo: the session failed\n");
        return 1;
    }

    std::printf("\n-- debug.txt after the session ended (each line between | marks)\n");
    std::ifstream log("debug.txt", std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
        std::printf("|%s|\n", line.c_str());
    }
    return 0;
}
