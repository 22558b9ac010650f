// The drivers' scalar routines. Each pair of twins is one template, so both precisions treat
// ties and signed zeros identically.
#ifndef SKELVANE_SCALAR_HELPERS_H
#define SKELVANE_SCALAR_HELPERS_H

namespace skelvane {

// -x if x < 0, else x: -0.0 comes back unchanged.
template <typename Real>
constexpr Real scalarAbs(Real x) {
    return x < 0 ? -x : x;
}

// -1 if x < 0, else +1: zero of either sign counts as forward.
template <typename Real>
constexpr Real scalarSign(Real x) {
    return x < 0 ? Real(-1) : Real(1);
}

// a if a > b, else b: equal arguments give b.
template <typename Real>
constexpr Real scalarMax(Real a, Real b) {
    return a > b ? a : b;
}

// b if a > b, else a: equal arguments give a.
template <typename Real>
constexpr Real scalarMin(Real a, Real b) {
    return a > b ? b : a;
}

inline double r8_abs(double x) { return scalarAbs(x); }
inline double r8_sign(double x) { return scalarSign(x); }
inline double r8_max(double a, double b) { return scalarMax(a, b); }
inline double r8_min(double a, double b) { return scalarMin(a, b); }

inline float r4_abs(float x) { return scalarAbs(x); }
inline float r4_sign(float x) { return scalarSign(x); }
inline float r4_max(float a, float b) { return scalarMax(a, b); }
inline float r4_min(float a, float b) { return scalarMin(a, b); }

}  // namespace skelvane

#endif
