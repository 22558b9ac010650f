/*
 * Skelvane - trajectory solver for game hosts.
 *
 * One simulation of a point mass in a plane under a constant acceleration and quadratic drag,
 * advanced one output interval at a time by an adaptive Runge-Kutta-Fehlberg 4(5) driver in
 * double precision. The library keeps the simulation at module level: every export works on that
 * one record, from one thread, one call at a time.
 *
 * Calling order:
 *   1. selectRHS(1, 4, params)            choose the projectile model and its parameters
 *   2. initSimDouble(4, power, initial)   load the state, tolerances 10^power, time 0
 *   3. per frame: advanceSimDouble(dt), then getSimStateDouble(&t, state)
 *   updateParams, setRKF_ICs, setSolverFlag and dump_u_dudt may come between advances.
 *
 * Every export has C linkage, the cdecl convention and an undecorated name. No export ends the
 * host process and none reads or writes outside the arrays described here; a NULL pointer where an
 * array is expected means nothing is read from or written to it.
 *
 * The trace file "op1.txt" is written in the current working directory by selectRHS (fresh file),
 * initSimDouble and dump_u_dudt (appended). A trace file that cannot be opened is skipped.
 *
 * Result codes of advanceSimDouble (the integrator flag):
 *   2   the interval end was reached                     -> advance the next frame
 *  -2   single-step mode: one step taken, end not reached -> advance again (flag stays -2)
 *   3   relative tolerance was raised to its floor; nothing was integrated
 *                                                         -> advance again for the same frame
 *   4   3000 model evaluations used; the state lies inside the interval
 *                                                         -> advance again (the budget resets)
 *   5   pure relative error test impossible (a component and its candidate both zero while the
 *       absolute tolerance is 0)                          -> initSimDouble with another tolerance
 *   6   requested accuracy cannot be reached (step below 26 eps |t|)
 *                                                         -> restart: setSolverFlag(1) or initSimDouble
 *   7   100 calls whose interval was at most half the step size; nothing was integrated
 *                                                         -> advance again for the same frame
 *   8   invalid input or a flag the protocol does not allow; nothing was changed. It repeats on
 *       every advance until the host restarts with setSolverFlag(1) or initSimDouble.
 */
#ifndef SKELVANE_H
#define SKELVANE_H

#include <stdint.h>

#if defined(_WIN32)
#define SKELVANE_API __declspec(dllexport)
#define SKELVANE_CALL __cdecl
#else
#define SKELVANE_API __attribute__((visibility("default")))
#define SKELVANE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Chooses the model and starts a fresh trace file.
 * modelCode: 1 selects the projectile model (both precisions); any other code keeps the current
 *   selection (none after load).
 * equationCount: number of equations in use (4 for the projectile model; at most 100 are used).
 * parameters: 50 floats, copied whole (0 mass, 1 acceleration along +y, 2 drag coefficient,
 *   3 fluid density, 4 sphere radius; the rest are not read). NULL keeps the current parameters.
 * Zeroes the state and derivative vectors up to equationCount; time, tolerances and flag stay.
 */
SKELVANE_API void SKELVANE_CALL selectRHS(int32_t modelCode, int32_t equationCount,
                                          const float* parameters);

/*
 * Loads the initial state and makes the next advance start afresh.
 * equationCount: number of equations in use.
 * power: both tolerances become 10^power (-6 gives 1e-6).
 * initialValues: 20 floats; all 20 are stored whatever equationCount is. NULL keeps the state.
 * Sets time 0 and flag 1, evaluates the derivatives once (skipped while no model is selected)
 * and appends the initialisation block to the trace file. Returns the flag, always 1.
 */
SKELVANE_API int32_t SKELVANE_CALL initSimDouble(int32_t equationCount, int32_t power,
                                                 const float* initialValues);

/*
 * Overwrites state entries 0 to count-1 with values (widened to double); count <= 0 or NULL
 * values change nothing. Time, derivatives, flag and equation count are untouched.
 */
SKELVANE_API void SKELVANE_CALL setRKF_ICs(int32_t count, const float* values);

/*
 * Integrates from the current time t to t + dt (formed in double precision) and returns the
 * integrator's flag for this interval (codes above). Flags 4 and 7 are returned as they are but
 * stored as 2, so the next advance continues. Writes no trace output.
 */
SKELVANE_API int32_t SKELVANE_CALL advanceSimDouble(float dt);

/*
 * Reads the simulation back, rounded to single precision.
 * time: receives t (NULL: skipped). state: receives the first equationCount entries of the state
 * vector (NULL: skipped); the caller provides room for equationCount floats.
 */
SKELVANE_API void SKELVANE_CALL getSimStateDouble(float* time, float* state);

/*
 * Sets the flag handed to the integrator on the next advance, whatever its value.
 * 1 restarts from the current time and state; -1 restarts in single-step mode.
 */
SKELVANE_API void SKELVANE_CALL setSolverFlag(int32_t flag);

/*
 * Replaces all 50 model parameters; the next derivative evaluation uses them. NULL: no change.
 */
SKELVANE_API void SKELVANE_CALL updateParams(const float* parameters);

/*
 * Appends the current state and derivative vectors to the trace file, in whole groups of four.
 */
SKELVANE_API void SKELVANE_CALL dump_u_dudt(void);

/*
 * The RKF45 driver in single precision, on arrays the host owns. Every stored value is a float;
 * the arithmetic inside one expression is done in double and rounded once, so the results are
 * the same to the bit on every build. The model is the single-precision projectile model chosen
 * by selectRHS(1, ...), with the lumped drag coefficient params[2] (c = 0.5 rho Cd pi r^2).
 *
 * n: number of equations, at least 4 (the model writes four entries); y and yp hold n floats.
 * y: state, replaced by the solution at the time reached. Entries past the fourth stay constant.
 * yp: derivative at (t, y); computed on a start, relied upon by every other call.
 * t: current time, set to the time reached. tout: target time.
 * relerr: relative tolerance; raised to 2.3841957e-07 (result 3) when below it.
 * abserr: absolute tolerance.
 * flag: 1 start, -1 start in single-step mode, 2 / -2 continue, 3 / 4 / 5 resume after that
 *   result (4 resets the evaluation budget; 5 needs abserr > 0).
 * Returns the flag codes listed at the top of this header. 8 (invalid input, including NULL
 * pointers, n < 4, no model selected, or a flag the protocol does not allow) changes nothing.
 * The driver keeps one saved state between calls, apart from the double-precision simulation's:
 * a host running two single-precision integrations side by side restarts (flag 1) on each switch.
 */
SKELVANE_API int32_t SKELVANE_CALL r4_rkf45(int32_t n, float* y, float* yp, float* t, float tout,
                                            float* relerr, float abserr, int32_t flag);

/* Single-precision machine epsilon measured at run time: 2^-23 (1.1920929e-07). */
SKELVANE_API float SKELVANE_CALL calcEpsilon(void);

/*
 * Double-precision machine epsilon measured at run time: 2^-52 (2.220446049250313e-16).
 * UnrealScript has no double: see the README on binding this export.
 */
SKELVANE_API double SKELVANE_CALL calcEpsilonDouble(void);

#ifdef __cplusplus
}
#endif

#endif /* SKELVANE_H */
