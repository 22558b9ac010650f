#include "rkf45_double.h"

#include "rkf45_driver.h"

namespace skelvane {

Rkf45SavedStateDouble r8SavedState;

int32_t r8_rkf45(int32_t n, double* y, double* yp, double* t, double tout, double* relerr,
                 double abserr, int32_t flag) {
    return rkf45Drive(r8SavedState, n, y, yp, t, tout, relerr, abserr, flag);
}

}  // namespace skelvane
