// The Dunmoral exports, looked up by their undecorated names in the library loaded by name.
#ifndef FUZZ_DUNMORAL_EXPORTS_H
#define FUZZ_DUNMORAL_EXPORTS_H

#include <dirent.h>

#include <string>

#include "dunmoral.h"
#include "fuzz_support.h"

namespace fuzzing {

struct DunmoralExports {
#define DUNMORAL_EXPORT(name) decltype(&::name) name = exportOf<decltype(&::name)>("Dunmoral", #name);
    DUNMORAL_EXPORT(openDataFile)
    DUNMORAL_EXPORT(openTrussDataFile)
    DUNMORAL_EXPORT(openDebugFile)
    DUNMORAL_EXPORT(parseLine)
    DUNMORAL_EXPORT(parseLineNew)
    DUNMORAL_EXPORT(closeFile)
    DUNMORAL_EXPORT(Open)
    DUNMORAL_EXPORT(Readline)
    DUNMORAL_EXPORT(Eof)
    DUNMORAL_EXPORT(Close)
    DUNMORAL_EXPORT(openPdf)
    DUNMORAL_EXPORT(openNotePad)
    DUNMORAL_EXPORT(openTextFile)
#undef DUNMORAL_EXPORT

    // What the host does when it is done: every stream the library holds is closed.
    void closeEverything() const {
        closeFile();
        openDebugFile();  // leaves the debug log closed
        Close();
    }
};

inline const DunmoralExports& dunmoral() {
    static const DunmoralExports e;
    return e;
}

// Number of open file descriptors of this process.
inline int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

// A path the fuzzer chose, kept inside the scratch directory: no separator, no terminator.
inline std::u16string confined(std::u16string path) {
    for (char16_t& unit : path) {
        if (unit == u'/' || unit == u'\\' || unit == 0) {
            unit = u'_';
        }
    }
    return path;
}

}  // namespace fuzzing

#endif
