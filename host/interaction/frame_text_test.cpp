// The frame's origin in the host's number format, whatever the locale, and no report before a plot.
#include <gtest/gtest.h>

#include "core/plot_report.h"
#include "interaction/frame_text.h"

namespace orv::interaction {
namespace {

TEST(FrameText, TheOriginInTheHostsNumbers) {
  EXPECT_EQ(origin_text({1, 2.5, -3}), "origin 1, 2.5, -3");
  EXPECT_EQ(origin_text({0, 1e-7, 1e21}).substr(0, 10), "origin 0, ");
}

TEST(FrameText, NothingToldBeforeAPlot) {
  reset_plot_reports();
  const FrameReport report = frame_report();
  EXPECT_TRUE(report.lines.empty());
  EXPECT_FALSE(report.marked);
}

}  // namespace
}  // namespace orv::interaction
