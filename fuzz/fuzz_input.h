// Reads a fuzzer's bytes front to back as the arguments of a sequence of library calls.
// Past the end every read gives zero, so any input is a valid sequence.
#ifndef FUZZ_FUZZ_INPUT_H
#define FUZZ_FUZZ_INPUT_H

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace fuzzing {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool exhausted() const { return offset_ >= size_; }

    uint8_t byte() { return exhausted() ? 0 : data_[offset_++]; }

    uint16_t u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }

    uint32_t u32() { return uint32_t(u16()) | (uint32_t(u16()) << 16); }

    bool chance(unsigned outOf) { return byte() % outOf == 0; }

    // A value from lo to hi (inclusive); hi - lo below 65536.
    int32_t intIn(int32_t lo, int32_t hi) {
        const uint32_t span = static_cast<uint32_t>(hi - lo) + 1;
        return lo + static_cast<int32_t>(u16() % span);
    }

    // Any 32-bit integer, drawn mostly near the edges of the protocol.
    int32_t anyInt(int32_t lo, int32_t hi) {
        switch (byte() % 8) {
            case 0:
                return static_cast<int32_t>(u32());
            case 1:
                return std::numeric_limits<int32_t>::min();
            case 2:
                return std::numeric_limits<int32_t>::max();
            default:
                return intIn(lo, hi);
        }
    }

    // Any float, the special ones (NaN, infinities, zeros, subnormals, huge) often.
    float anyFloat() {
        const uint8_t kind = byte();
        switch (kind % 16) {
            case 0:
                return std::numeric_limits<float>::quiet_NaN();
            case 1:
                return std::numeric_limits<float>::infinity();
            case 2:
                return -std::numeric_limits<float>::infinity();
            case 3:
                return 0.0f;
            case 4:
                return -0.0f;
            case 5:
                return (kind & 0x80) ? -FLT_MAX : FLT_MAX;
            case 6:
                return (kind & 0x80) ? -std::numeric_limits<float>::denorm_min()
                                     : std::numeric_limits<float>::denorm_min();
            case 7:
                return (kind & 0x80) ? -FLT_MIN : FLT_MIN;
            case 8:
            case 9: {
                const uint32_t bits = u32();
                float f;
                std::memcpy(&f, &bits, sizeof f);
                return f;
            }
            default:
                // Everyday magnitudes: -327.68 to 327.67 in steps of 0.01.
                return static_cast<float>(static_cast<int16_t>(u16())) / 100.0f;
        }
    }

    // Up to maxUnits UTF-16 code units, any value but the terminator.
    std::u16string utf16(size_t maxUnits) {
        const size_t length = u16() % (maxUnits + 1);
        std::u16string s;
        for (size_t i = 0; i < length && !exhausted(); ++i) {
            char16_t unit = static_cast<char16_t>(u16());
            s.push_back(unit == 0 ? u'?' : unit);
        }
        return s;
    }

    // The rest of the input, at most maxBytes.
    std::string bytes(size_t maxBytes) {
        const size_t length = u16() % (maxBytes + 1);
        std::string s;
        for (size_t i = 0; i < length && !exhausted(); ++i) {
            s.push_back(static_cast<char>(byte()));
        }
        return s;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

}  // namespace fuzzing

#endif
