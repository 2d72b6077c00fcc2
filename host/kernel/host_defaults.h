// The host's start values for the globals the Zlink reads at plot time, and the bounds of the point
// buffers the Zlink fills. Header only and plain C++, so that a stand-in host (the fake host of
// tools/fake_host) starts from the same values and grows its buffers as far as the host does.
#pragma once
#include <cstdint>

namespace orv {

/// Start values of the globals (the command line may change them before the Zlink runs).
constexpr uint8_t kStartMainColor = 10;       // main_color: light green
constexpr uint8_t kStartBackColor = 0;        // gr_back_color: black
constexpr int32_t kStartMainLevel = 1;        // main_level
constexpr double kStartChordDeviation = 0.001;  // surf_step_chord_dev
constexpr int16_t kStartTracePlaces = 4;      // n_places_an: digits of the trace log
constexpr double kStartLeastStep = 0.0001;    // tol: least step the Variables dialog accepts

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

}  // namespace orv
