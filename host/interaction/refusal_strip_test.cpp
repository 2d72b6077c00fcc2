// The refusal strip: its words, and that they stay through the plot that refused and go with the
// next plot's geometry.
#include <gtest/gtest.h>

#include "interaction/refusal_strip.h"

namespace orv::interaction {
namespace {

TEST(RefusalStrip, StaysUntilGeometryComesAfterTheNextInput) {
  RefusalStrip strip;
  const Made before{1, 0, 0}, plotted{2, 3, 0}, again{3, 3, 0};
  EXPECT_EQ(strip.shown(before), "");
  strip.input_taken(before);  // the command that plots
  strip.refused("point 3 of 7 is not finite", 0);
  EXPECT_EQ(strip.shown(plotted), "refused: point 3 of 7 is not finite");  // the same plot made more
  strip.refused("point 3 of 7 is not finite", 4);
  EXPECT_EQ(strip.shown(plotted), "refused: point 3 of 7 is not finite (4 more times)");
  strip.input_taken(plotted);  // a key that plots nothing
  EXPECT_EQ(strip.shown(plotted), "refused: point 3 of 7 is not finite (4 more times)");
  EXPECT_EQ(strip.shown(again), "");  // the next plot made something: gone
  EXPECT_EQ(strip.shown(plotted), "");
}

}  // namespace
}  // namespace orv::interaction
