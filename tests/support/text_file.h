// Whole-file reads and writes for test fixtures, byte for byte.
#ifndef TEST_SUPPORT_TEXT_FILE_H
#define TEST_SUPPORT_TEXT_FILE_H

#include <filesystem>
#include <string>

namespace testsupport {

// The file's bytes, or an empty string when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// The file read as text, as the platform's text mode reads it: on Windows, where the libraries'
// text-mode writes end lines with CR LF, each CR LF comes back as LF.
std::string readTextFile(const std::filesystem::path& path);
// Replaces the file with exactly these bytes.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A number as the libraries print it in a field of at least `width` characters, from its
// two-digit exponent form ("1.000000e-06"). Every build prints exactly that: the Windows builds
// use MinGW's C99 printf, not msvcrt's three-digit exponents ("1.000000e-006").
std::string printedNumber(const std::string& twoDigitForm, int width);

}  // namespace testsupport

#endif
