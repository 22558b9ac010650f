#include "float_environment.h"

namespace skelvane {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

namespace {
// SSE: round to nearest, all exceptions masked, no flush-to-zero, no denormals-are-zero.
constexpr uint32_t kSseDefaultControl = 0x1F80;
// MXCSR bits 0-5 are sticky exception flags, not settings.
constexpr uint32_t kSseStatusFlags = 0x3F;
}  // namespace

// The x87 unit matters where the C runtime's math runs on it: the MinGW runtime's pow and atan
// on 32-bit and 64-bit Windows, and any 32-bit x86 runtime. (glibc's x86-64 math is SSE only.)
#if defined(_WIN32) || defined(__i386__)
#define SKELVANE_SETS_X87_CONTROL 1
namespace {
// 53-bit precision, round to nearest, all exceptions masked (the Windows default).
constexpr uint16_t kX87DefaultControl = 0x027F;
}  // namespace
#endif

// Loading a control register is slow (microcoded, and it orders the floating-point pipeline),
// while a host normally runs in the library's mode already: a register is loaded only when the
// host's settings differ from the library's. The host still gets back exactly what it had:
// MXCSR is compared on return (the library's arithmetic may have raised its exception flags,
// bits 0-5) and reloaded if it changed.
// The "memory" clobbers keep the compiler from moving the library's loads and stores across
// the mode switch.
FloatEnvironmentScope::FloatEnvironmentScope() {
    __asm__ volatile("stmxcsr %0" : "=m"(savedSseControl_) : : "memory");
    if ((savedSseControl_ & ~kSseStatusFlags) != kSseDefaultControl) {
        const uint32_t sse = kSseDefaultControl;
        __asm__ volatile("ldmxcsr %0" : : "m"(sse) : "memory");
    }
#if defined(SKELVANE_SETS_X87_CONTROL)
    __asm__ volatile("fnstcw %0" : "=m"(savedX87Control_) : : "memory");
    if (savedX87Control_ != kX87DefaultControl) {
        const uint16_t x87 = kX87DefaultControl;
        __asm__ volatile("fldcw %0" : : "m"(x87) : "memory");
    }
#endif
}

FloatEnvironmentScope::~FloatEnvironmentScope() {
#if defined(SKELVANE_SETS_X87_CONTROL)
    if (savedX87Control_ != kX87DefaultControl) {
        __asm__ volatile("fldcw %0" : : "m"(savedX87Control_) : "memory");
    }
#endif
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
