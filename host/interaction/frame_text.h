// What the graphics window's frame tells, the same in every front end: the origin last picked, and
// the last plot's and file reading's report (core/plot_report.h) with where its marker goes. Each
// front end only lays the words out in its own cells or pixels.
#pragma once
#include <array>
#include <string>
#include <vector>

namespace orv::interaction {

/// "origin X, Y, Z": a picked point as the frame shows it (the Zlink asks for a point only to set
/// its origin).
std::string origin_text(const std::array<double, 3>& point);

/// The report the frame shows until the next plot.
struct FrameReport {
  std::vector<std::string> lines;  // one sentence each; none when all went as written
  bool marked = false;             // the last plot lost part of what it meant to make...
  std::array<double, 3> kept{};    // ...and its kept geometry ends here
};
FrameReport frame_report();

}  // namespace orv::interaction
