/**
 * A projectile flown by Skelvane: a 2 kg ball of radius 0.1 m in air, launched at 30 m/s and
 * 45 degrees, advanced once per frame. Place it in a level (or spawn it) and it moves along the
 * trajectory from where it starts, in the X-Z plane, 50 Unreal units to the metre.
 */
class SkelvaneFlightExample extends Actor
    placeable;

var SkelvaneBinding Solver;
var vector LaunchPoint;
var float UnitsPerMetre;

event PostBeginPlay()
{
    local SkelvaneBinding.SkelvaneParameters Params;
    local SkelvaneBinding.SkelvaneVector Initial;

    super.PostBeginPlay();
    Solver = new class'SkelvaneBinding';
    LaunchPoint = Location;

    Params.Values[0] = 2.0;     // mass, kg
    Params.Values[1] = -9.81;   // gravity along +y, m/s^2
    Params.Values[2] = 0.47;    // drag coefficient of a sphere
    Params.Values[3] = 1.225;   // air density, kg/m^3
    Params.Values[4] = 0.1;     // radius, m
    Solver.selectRHS(1, 4, Params);

    Initial.Values[1] = 21.2132;  // vx, m/s
    Initial.Values[3] = 21.2132;  // vy, m/s
    Solver.initSimDouble(4, -6, Initial);
}

event Tick(float DeltaTime)
{
    local int Flag, Attempts;
    local float Time;
    local SkelvaneBinding.SkelvaneVector State;
    local vector Offset;

    super.Tick(DeltaTime);
    if (Solver == None || DeltaTime <= 0.0)
        return;

    Flag = Solver.advanceSimDouble(DeltaTime);
    // 3 and 7: nothing was integrated, so the same frame is asked for again. (4: the step budget
    // ran out inside the frame; the simulation time lags a little and the next frame goes on.)
    while ((Flag == 3 || Flag == 7) && Attempts < 4)
    {
        Flag = Solver.advanceSimDouble(DeltaTime);
        Attempts++;
    }
    if (Flag == 5 || Flag == 6 || Flag == 8)
        Solver.setSolverFlag(1);  // restart from the state reached

    Solver.getSimStateDouble(Time, State);
    Offset.X = State.Values[0] * UnitsPerMetre;
    Offset.Z = State.Values[2] * UnitsPerMetre;
    SetLocation(LaunchPoint + Offset);
    if (State.Values[2] < 0.0)
        Disable('Tick');  // back on the ground
}

defaultproperties
{
    UnitsPerMetre=50.0
}
