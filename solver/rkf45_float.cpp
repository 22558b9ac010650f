#include "rkf45_float.h"

namespace skelvane {

Rkf45SavedStateFloat r4SavedState;

}  // namespace skelvane
