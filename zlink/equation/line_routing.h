// Line routing: every file line goes through compile_line, which drops blank lines, sets the origin
// from an origin line, evaluates a settings line at once, and appends every other line that compiles
// to the statement list.
#pragma once
#include <cstdint>
#include "equation/program.h"

/// What compile_line made of a line.
enum class LineRoute { Blank, Origin, Settings, Statement, Failed };

/// Handles one line; returns 0 or the status of the stage that failed (-2,-3,-4,-8,-9, -5 for no
/// storage, or the evaluation status of a settings line). An origin line always returns 0.
int compile_line(const char* line, Statement** head, Statement** tail);
/// The same, also telling in `route` what the line was taken for.
int compile_line(const char* line, Statement** head, Statement** tail, LineRoute* route);

/// Takes the literal numbers of an origin line's items, in order, as x, y, z of PlotSettings.origin.
/// A minus before a number makes it negative; nothing is evaluated; a number that is not finite
/// takes its coordinate's place but leaves its value.
void parse_origin_line(const ProgramItem* items, int16_t count);
