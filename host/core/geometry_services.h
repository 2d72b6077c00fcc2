// The host side of the geometry services: the bounds of the point buffers that the Zlink fills (in
// kernel/host_defaults.h, shared with the fake host of tools/fake_host), and the reason the last
// geometry call refused its input (the Zlink only sees a zero flag).
#pragma once
#include <cstdint>
#include <string>

#include "kernel/host_defaults.h"  // the buffers' bounds: kMaxSplineNodes, kMaxSurfPoints

namespace orv {

/// Why the last geometry call that refused its input did so ("" after a success).
std::string last_geometry_error();

/// Screen marks and screen lines the database has taken (refused ones not counted): what the plots
/// drew, whatever the screen keeps of it. Differences between two readings count a plot's marks.
int64_t marks_drawn();
int64_t screen_lines_drawn();

}  // namespace orv
