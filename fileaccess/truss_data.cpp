#include "truss_data.h"

#include <cstdio>
#include <string>

#include "debug_log.h"
#include "platform/file_open.h"
#include "unicode_text.h"

namespace dunmoral::truss {

namespace {

std::FILE* dataFile = nullptr;

void startLog() {
    debuglog::reopen();
    if (std::FILE* log = debuglog::stream()) {
        std::fprintf(log, "\n%s", debuglog::kBanner);
    }
}

void openData(std::u16string_view path) {
    close();
    dataFile = platform::openForReading(path);
}

}  // namespace

void openFixed() {
    startLog();
    openData(u"TestTruss.txt");
    if (std::FILE* log = debuglog::stream()) {
        if (dataFile != nullptr) {
            std::fprintf(log, "\nFile Opened");
        } else {
            std::fprintf(log, "\nFile %s NOT opened", kFixedDataFile);
        }
    }
}

void openNamed(std::u16string_view path) {
    const std::string shown = toUtf8Lossy(path);
    startLog();
    if (std::FILE* log = debuglog::stream()) {
        std::fprintf(log, "\n len = %d", static_cast<int>(path.size()));
    }
    openData(path);
    if (std::FILE* log = debuglog::stream()) {
        if (dataFile != nullptr) {
            std::fprintf(log, "\nFile %s Opened", shown.c_str());
        } else {
            std::fprintf(log, "\nFile %s NOT opened", shown.c_str());
        }
    }
}

void writeBareLog() {
    debuglog::reopen();
    if (std::FILE* log = debuglog::stream()) {
        std::fprintf(log, "%s", debuglog::kBanner);
    }
    debuglog::close();
}

Record readPlain() {
    int a = 0, b = 0, c = 0, d = 0, e = 0;
    if (dataFile != nullptr) {
        // The count of converted fields is not used: unconverted fields stay 0.
        [[maybe_unused]] const int converted =
            std::fscanf(dataFile, "%d %d %d %d %d", &a, &b, &c, &d, &e);
    }
    if (std::FILE* log = debuglog::stream()) {
        std::fprintf(log, "\n%d %d %d %d %d", a, b, c, d, e);
    }
    return Record{{a, b, c, d, e}};
}

Record readTagged() {
    char tag = 0;
    int b = 0, c = 0, d = 0, e = 0;
    if (dataFile != nullptr) {
        [[maybe_unused]] const int converted =
            std::fscanf(dataFile, "%c %d %d %d %d\n", &tag, &b, &c, &d, &e);
    }
    if (std::FILE* log = debuglog::stream()) {
        std::fprintf(log, "\n%c %d %d %d %d", tag, b, c, d, e);
    }
    // The tag byte arrives sign-extended whatever the signedness of char.
    return Record{{static_cast<signed char>(tag), b, c, d, e}};
}

int32_t close() {
    if (dataFile == nullptr) {
        return 0;
    }
    const int status = std::fclose(dataFile);
    dataFile = nullptr;
    return status;
}

}  // namespace dunmoral::truss
