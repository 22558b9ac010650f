#include "text_file.h"

#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readTextFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string printedNumber(const std::string& twoDigitForm, int width) {
    const std::string& number = twoDigitForm;
    const std::size_t padding =
        number.size() < static_cast<std::size_t>(width) ? width - number.size() : 0;
    return std::string(padding, ' ') + number;
}

}  // namespace testsupport
