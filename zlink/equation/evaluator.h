// Evaluator: runs one program by priority-driven reduction of a working copy of its items.
#pragma once
#include <cstdint>
#include "equation/program.h"

// Angle factors, both 1.0 until first set: deg_to_rad multiplies the argument of cos, sin, tan;
// rad_to_deg multiplies the result of acos, asin, atan.
extern double deg_to_rad;
extern double rad_to_deg;

/// Sets the angle factors from PlotSettings.use_degrees (pi/180 and 180/pi, or 1 and 1).
void set_angle_factors();

/// Runs `count` items; returns 0 when the statement assigned something, else a status.
/// Assignments made before a failure stay in force. The stored program is never changed.
int evaluate(const ProgramItem* program, int16_t count);
