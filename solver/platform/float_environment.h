// The host may leave the floating-point unit in any mode (Direct3D sets the x87 unit to 24-bit
// precision; a host may set flush-to-zero). Every numerical export runs inside a
// FloatEnvironmentScope: it selects the mode the library's results are defined in and hands the
// host's own settings back on return.
#ifndef SKELVANE_PLATFORM_FLOAT_ENVIRONMENT_H
#define SKELVANE_PLATFORM_FLOAT_ENVIRONMENT_H

#include <cstdint>

namespace skelvane {

class FloatEnvironmentScope {
public:
    FloatEnvironmentScope();
    ~FloatEnvironmentScope();
    FloatEnvironmentScope(const FloatEnvironmentScope&) = delete;
    FloatEnvironmentScope& operator=(const FloatEnvironmentScope&) = delete;

private:
    uint32_t savedSseControl_ = 0;
    uint16_t savedX87Control_ = 0;
};

}  // namespace skelvane

#endif
