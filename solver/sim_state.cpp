#include "sim_state.h"

namespace skelvane {

SimState simState{};

}  // namespace skelvane
