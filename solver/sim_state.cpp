#include "sim_state.h"

namespace skelvane {

SimState simState{};

int32_t clampedEquationCount(int32_t count) {
    if (count < 0) {
        return 0;
    }
    return count > SimState::kCapacity ? SimState::kCapacity : count;
}

}  // namespace skelvane
