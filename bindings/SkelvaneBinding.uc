/**
 * Skelvane.dll, the trajectory solver, for UnrealScript. Copy Skelvane.dll into
 * Binaries\Win32\UserCode; this class finds it by name.
 *
 * Types: int is a 32-bit int, float a 32-bit float, out float a float*. The C side takes
 * pointers to float arrays; DLLBind passes a struct (by value or out) as a pointer to it with
 * 4-byte packing, so each array travels as a struct wrapping one static float array: a pointer
 * to its first element. The structs are passed out even where the library only reads them.
 *
 * Not bound: calcEpsilonDouble returns a double, which UnrealScript has no type for (a float
 * declaration would read the x87 return register by accident of the ABI). Its value on every
 * IEEE machine is 2^-52 = 2.220446049250313e-16; calcEpsilon, the single-precision probe, is bound.
 */
class SkelvaneBinding extends Object
    DLLBind(Skelvane);

/** The 50 model parameters: 0 mass (kg), 1 acceleration along +y (m/s^2, e.g. -9.81),
 *  2 drag coefficient, 3 fluid density, 4 sphere radius; the rest are not read. */
struct SkelvaneParameters
{
    var float Values[50];
};

/** State entries: 0 x, 1 vx, 2 y, 3 vy, then unused. initSimDouble reads all 20; setRKF_ICs
 *  and getSimStateDouble use the first count/equation-count entries (at most 20 here). */
struct SkelvaneVector
{
    var float Values[20];
};

/** Chooses the model (1: projectile) and its parameters; starts a fresh trace file op1.txt. */
dllimport final function selectRHS(int ModelCode, int EquationCount, out SkelvaneParameters Parameters);

/** Loads the initial state, tolerances 10^Power (-6 gives 1e-6), time 0. Returns 1. */
dllimport final function int initSimDouble(int EquationCount, int Power, out SkelvaneVector InitialValues);

/** Overwrites state entries 0..Count-1. */
dllimport final function setRKF_ICs(int Count, out SkelvaneVector Values);

/** Integrates one frame of DeltaTime seconds. Returns the integrator flag: 2 done; 3, 4 and 7
 *  call again for the same frame; 5, 6 and 8 restart with setSolverFlag(1) or initSimDouble. */
dllimport final function int advanceSimDouble(float DeltaTime);

/** Reads the time and the first EquationCount state entries back. */
dllimport final function getSimStateDouble(out float Time, out SkelvaneVector State);

/** Sets the flag for the next advance: 1 restarts from the current state, -1 in single steps. */
dllimport final function setSolverFlag(int Flag);

/** Replaces all 50 parameters; the next evaluation uses them. */
dllimport final function updateParams(out SkelvaneParameters Parameters);

/** Appends the state and its derivatives to op1.txt. */
dllimport final function dump_u_dudt();

/** The single-precision integrator on arrays of the caller's own: integrates Y (with its
 *  derivative YP) from Time to TargetTime. Flag 1 starts, 2 continues; returns the flag. */
dllimport final function int r4_rkf45(int N, out SkelvaneVector Y, out SkelvaneVector YP, out float Time,
    float TargetTime, out float RelErr, float AbsErr, int Flag);

/** Single-precision machine epsilon, 2^-23. */
dllimport final function float calcEpsilon();

defaultproperties
{
}
