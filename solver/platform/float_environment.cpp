#include "float_environment.h"

namespace skelvane {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

namespace {
// SSE: round to nearest, all exceptions masked, no flush-to-zero, no denormals-are-zero.
constexpr uint32_t kSseDefaultControl = 0x1F80;
// x87: 53-bit precision, round to nearest, all exceptions masked (the Windows default). The
// MinGW runtime's pow and atan run on the x87 unit on both 32-bit and 64-bit Windows.
constexpr uint16_t kX87DefaultControl = 0x027F;
}  // namespace

// Loading a control register is slow (microcoded, and it orders the floating-point pipeline),
// while a host normally runs in the library's mode already: a register is loaded only when its
// contents differ. The host still gets back exactly what it had: MXCSR is compared on return
// (the status flags in its bits 0-5 may have been raised meanwhile) and reloaded if it changed.
// The "memory" clobbers keep the compiler from moving the library's loads and stores across
// the mode switch.
namespace {
constexpr uint32_t kSseStatusFlags = 0x3F;
}  // namespace

FloatEnvironmentScope::FloatEnvironmentScope() {
    __asm__ volatile("stmxcsr %0" : "=m"(savedSseControl_) : : "memory");
    if ((savedSseControl_ & ~kSseStatusFlags) != kSseDefaultControl) {
        const uint32_t sse = kSseDefaultControl;
        __asm__ volatile("ldmxcsr %0" : : "m"(sse) : "memory");
    }
    __asm__ volatile("fnstcw %0" : "=m"(savedX87Control_) : : "memory");
    if (savedX87Control_ != kX87DefaultControl) {
        const uint16_t x87 = kX87DefaultControl;
        __asm__ volatile("fldcw %0" : : "m"(x87) : "memory");
    }
}

FloatEnvironmentScope::~FloatEnvironmentScope() {
    if (savedX87Control_ != kX87DefaultControl) {
        __asm__ volatile("fldcw %0" : : "m"(savedX87Control_) : "memory");
    }
    uint32_t now = 0;
    __asm__ volatile("stmxcsr %0" : "=m"(now) : : "memory");
    if (now != savedSseControl_) {
        __asm__ volatile("ldmxcsr %0" : : "m"(savedSseControl_) : "memory");
    }
}

#else

// Other targets: the default environment is assumed; nothing to select.
FloatEnvironmentScope::FloatEnvironmentScope() = default;
FloatEnvironmentScope::~FloatEnvironmentScope() = default;

#endif

}  // namespace skelvane
