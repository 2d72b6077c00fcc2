// The frame's words.
#include "interaction/frame_text.h"

#include "core/plot_report.h"
#include "platform/number_text.h"

namespace orv::interaction {

std::string origin_text(const std::array<double, 3>& p) {
  std::string text = "origin ";
  text += format_real(p[0]);
  text += ", ";
  text += format_real(p[1]);
  text += ", ";
  text += format_real(p[2]);
  return text;
}

FrameReport frame_report() {
  FrameReport report;
  report.lines = report_frame_lines();
  report.marked = report_marker(report.kept);
  return report;
}

}  // namespace orv::interaction
