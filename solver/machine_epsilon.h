// Unit roundoff measured at run time, shared by the drivers and the epsilon exports.
#ifndef SKELVANE_MACHINE_EPSILON_H
#define SKELVANE_MACHINE_EPSILON_H

namespace skelvane {

// Halves r = 1 while 1 + r, rounded to float, exceeds 1; returns 2r: 2^-23.
float r4_machine_epsilon();

// The same loop in double: 2^-52.
double r8_machine_epsilon();

}  // namespace skelvane

#endif
