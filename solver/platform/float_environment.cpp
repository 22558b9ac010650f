#include "float_environment.h"

namespace skelvane {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

namespace {
// SSE: round to nearest, all exceptions masked, no flush-to-zero, no denormals-are-zero.
constexpr uint32_t kSseDefaultControl = 0x1F80;
#if defined(__i386__)
// x87 (used by a 32-bit C runtime's pow): 53-bit precision, round to nearest, all masked.
constexpr uint16_t kX87DefaultControl = 0x027F;
#endif
}  // namespace

// Loading a control register is slow (microcoded, and it orders the floating-point pipeline),
// while a host normally runs in the library's mode already: a register is loaded only when its
// contents differ. The host still gets back exactly what it had: MXCSR is compared on return
// (the status flags in its bits 0-5 may have been raised meanwhile) and reloaded if it changed.
namespace {
constexpr uint32_t kSseStatusFlags = 0x3F;
}  // namespace

FloatEnvironmentScope::FloatEnvironmentScope() {
    __asm__ volatile("stmxcsr %0" : "=m"(savedSseControl_));
    if ((savedSseControl_ & ~kSseStatusFlags) != kSseDefaultControl) {
        uint32_t sse = kSseDefaultControl;
        __asm__ volatile("ldmxcsr %0" : : "m"(sse));
    }
#if defined(__i386__)
    __asm__ volatile("fnstcw %0" : "=m"(savedX87Control_));
    if (savedX87Control_ != kX87DefaultControl) {
        uint16_t x87 = kX87DefaultControl;
        __asm__ volatile("fldcw %0" : : "m"(x87));
    }
#endif
}

FloatEnvironmentScope::~FloatEnvironmentScope() {
#if defined(__i386__)
    if (savedX87Control_ != kX87DefaultControl) {
        __asm__ volatile("fldcw %0" : : "m"(savedX87Control_));
    }
#endif
    uint32_t now = 0;
    __asm__ volatile("stmxcsr %0" : "=m"(now));
    if (now != savedSseControl_) {
        __asm__ volatile("ldmxcsr %0" : : "m"(savedSseControl_));
    }
}

#else

// Other targets: the default environment is assumed; nothing to select.
FloatEnvironmentScope::FloatEnvironmentScope() = default;
FloatEnvironmentScope::~FloatEnvironmentScope() = default;

#endif

}  // namespace skelvane
