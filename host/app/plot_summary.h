// What a batch plot tells when it ends: one line naming what the plot made and the files written,
// and whether it went cleanly (made something, raised no message box, had no refusal), which
// decides the exit status. The Zlink keeps equation errors to itself, so this line is how a batch
// user learns that a file plotted nothing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/database.h"

namespace orv::app {

/// Exit status of a batch plot that made nothing, raised a message box or had a refusal.
constexpr int kExitPlotNotClean = 3;

/// The state before the plot, so that what a part file brought in is not counted as made.
struct PlotStart {
  int64_t first_id = 1;  // the id the plot's first entity gets
  int64_t marks = 0;     // marks and screen lines drawn before the plot
  int64_t lines = 0;
  int64_t refusals = 0;  // refusals told before the plot
  // The database's additions by kind before the plot, so that the summary counts instead of
  // reading every record; set by plot_start(). Without them (or once anything but additions
  // changed the database since) the summary reads the records from first_id on.
  bool counted = false;
  uint64_t epoch = 0;
  uint64_t other_changes = 0;
  uint64_t added[7] = {};
};

/// Takes the state before the plot.
PlotStart plot_start(const GeometryDatabase& db);

/// What the plot made: entities from `start.first_id` on by kind ("1 spline through 37 points",
/// "49 points"), then the screen lines and marks drawn since `start`, joined by ", "; empty when
/// it made nothing.
std::string describe_made(const GeometryDatabase& db, const PlotStart& start, int64_t marks_now,
                          int64_t lines_now);

/// The line itself, without "orvantis: " and the line feed:
/// "helix.eqn: 1 spline through 37 points, 37 marks; wrote helix.step, helix.png".
std::string summary_line(const std::string& plot_file, const std::string& made,
                         const std::vector<std::string>& written);

}  // namespace orv::app
