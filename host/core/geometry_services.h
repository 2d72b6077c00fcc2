// The host side of the geometry services: the bounds of the point buffers that the Zlink fills, and
// the reason the last geometry call refused its input (the Zlink only sees a zero flag).
#pragma once
#include <cstdint>
#include <string>

namespace orv {

/// The spline point buffer never grows past this many points (24 MiB). The curve plotter asks for at
/// most 32010.
constexpr int32_t kMaxSplineNodes = 1 << 20;
/// The surface point buffer never grows past this many points (96 MiB, a 2048 x 2048 grid); past it a
/// surface would take longer to fit than anyone waits.
constexpr int32_t kMaxSurfPoints = 1 << 22;
// The two bounds are stated in orvantis/host_geometry.h for the Zlink's readers: keep them in step.
static_assert(kMaxSplineNodes == 1048576 && kMaxSurfPoints == 4194304);

/// Capacity of each buffer before the first growth.
constexpr int32_t kInitialBufferPoints = 1024;

/// Why the last geometry call that refused its input did so ("" after a success).
std::string last_geometry_error();

/// Screen marks and screen lines the database has taken (refused ones not counted): what the plots
/// drew, whatever the screen keeps of it. Differences between two readings count a plot's marks.
int64_t marks_drawn();
int64_t screen_lines_drawn();

}  // namespace orv
