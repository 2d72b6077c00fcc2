// The host words a refusal for size with the limits it publishes; they must be the plotters' own.
#include <gtest/gtest.h>

#include "geometry/plotting.h"
#include "orvantis/plot_limits.h"

static_assert(orvantis::kSplineStepLimit == max_spline_steps, "the published spline limit is the plotter's");
static_assert(orvantis::kSurfaceSideLimit == max_surface_side, "the published grid limit is the plotter's");

TEST(PlotLimits, SizeRefusalWordsNameTheLimitInPoints) {
  EXPECT_EQ(orvantis::size_refusal_words(360000),
            "refused for its size: 360,000 steps; the limit is 32,000 steps, that is 32,001 points");
  EXPECT_EQ(orvantis::surface_size_refusal_words(40000, 3),
            "refused for its size: a grid of 40,000 x 3 points; the limit is 32,767 rows of 32,767 points");
  EXPECT_EQ(orvantis::grouped(999), "999");
  EXPECT_EQ(orvantis::grouped(1000), "1,000");
  EXPECT_EQ(orvantis::grouped(2147483647), "2,147,483,647");
}
