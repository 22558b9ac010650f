// Whole-file reads and writes for test fixtures, byte for byte.
#ifndef TEST_SUPPORT_TEXT_FILE_H
#define TEST_SUPPORT_TEXT_FILE_H

#include <filesystem>
#include <string>

namespace testsupport {

// The file's bytes, or an empty string when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// Replaces the file with exactly these bytes.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A number as the platform's printf writes it in a field of at least `width` characters, from
// its usual two-digit form ("1.000000e-06"). The Windows runtime writes three exponent digits
// ("1.000000e-006"), which also takes one more character of the field.
std::string printedNumber(const std::string& twoDigitForm, int width);

}  // namespace testsupport

#endif
