#include "unicode_text.h"

#include <cstdint>

namespace dunmoral {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t code) {
    auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

// Encodes text; returns false at the first unpaired surrogate unless it is to be replaced.
bool encode(std::u16string_view text, bool replaceUnpaired, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            const char32_t code =
                0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            appendUtf8(out, code);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            if (!replaceUnpaired) {
                return false;
            }
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return true;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at the start of bytes, decoded into code; 0 if none.
// Overlong forms, encoded surrogates and values above U+10FFFF are not valid.
std::size_t decodeSequence(std::string_view bytes, char32_t& code) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(bytes[k]);
        if (!isContinuation(byte)) {
            return 0;
        }
        code = (code << 6) | (byte & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::u16string_view hostString(const char16_t* text) {
    return text != nullptr ? std::u16string_view(text) : std::u16string_view();
}

std::optional<std::string> toUtf8(std::u16string_view text) {
    std::string out;
    if (!encode(text, false, out)) {
        return std::nullopt;
    }
    return out;
}

std::string toUtf8Lossy(std::u16string_view text) {
    std::string out;
    encode(text, true, out);
    return out;
}

std::u16string decodeLine(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::u16string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t code = 0;
        std::size_t used = decodeSequence(bytes, code);
        if (used == 0) {
            code = static_cast<unsigned char>(bytes[0]);
            used = 1;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        bytes.remove_prefix(used);
    }
    return out;
}

}  // namespace dunmoral
