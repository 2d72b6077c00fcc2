// Evaluator: runs one program by priority-driven reduction of its items. Stored statements run the
// plan made with them; the reduction itself stays as the reference every plan must agree with.
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
/// Plans the program for this one run; meant for lines run once, such as settings lines.
int evaluate(const ProgramItem* program, int16_t count);

/// The same result as `evaluate` on the statement's program, by its stored plan (no planning per run).
int evaluate_statement(const Statement* statement);

/// The priority-driven reduction on a working copy: one scan for the operator and two for its
/// operands per round. Same results as `evaluate`; kept as the reference for tests and fuzzing.
int evaluate_reference(const ProgramItem* program, int16_t count);
