// The simulated room: state of the heat balance and its one-minute step.
// Knows nothing of the window or the toolkit. All reals are long double
// (x87 extended), each operation rounded on its own, in the order written.
#pragma once

namespace room {

// Shared simulation state, alive for the whole run; handlers read and write
// these directly. Start values are the program-load values.
extern bool Stopped;        // false
extern bool HeaterOn;       // true
extern bool SunOn;          // false
extern bool Recording;      // false
extern long double SetPoint;       // 20.0 degC
extern long double OutsideTemp;    // 10.0 degC
extern long double UValue;         // 1.0
extern long double RoomTemp;       // 20.0 degC
extern long double PrevRoomTemp;   // 20.0 degC
extern long double HeaterPowerW;   // 0
extern long double HeaterPowerKW;  // 0
extern long double LossPowerW;     // 0
extern long double LossPowerKW;    // 0
extern long double SunPowerKW;     // 0.5
extern long double SimMinutes;     // 0
extern long double SimHours;       // 0
extern long double SimTimeHours;   // 0.000001
extern long double HeatingWork;    // 0.000001 kWh
extern long double CO2PerDay;      // 0 kg/day
extern long double StoredHeat;     // working value of the step
extern long double NetHeat;        // working value of the step

// Puts every variable back to its program-load value (tests).
void ResetToLoadValues();

// One simulated minute of the room's heat balance.
void HeatBalanceStep();

// The simulated clock one minute on (60 minutes make an hour), and
// SimTimeHours from it.
void AdvanceClock();

}  // namespace room
