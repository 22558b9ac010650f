// Conversions between the host's UTF-16 strings and the bytes of files and file names.
#ifndef DUNMORAL_UNICODE_TEXT_H
#define DUNMORAL_UNICODE_TEXT_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dunmoral {

// The host passes an empty string as a null pointer.
std::u16string_view hostString(const char16_t* text);

// UTF-8 form of the string, or nothing when it holds an unpaired surrogate.
std::optional<std::string> toUtf8(std::u16string_view text);

// UTF-8 form with U+FFFD in place of each unpaired surrogate, for showing a name in the log or
// handing it on where a failure is not reported.
std::string toUtf8Lossy(std::u16string_view text);

// A line's bytes as UTF-16, up to its first zero byte. Valid UTF-8 sequences are decoded (pairs
// of surrogates above U+FFFF); any other byte becomes the code unit of the same value, so
// Latin-1 text still reads.
std::u16string decodeLine(std::string_view bytes);

}  // namespace dunmoral

#endif
