// The fake host's rules, the ones the real host applies (the shared table of
// kernel/fit_refusal_cases.h): curves need two distinct finite points, surfaces a finite grid of at
// least 2 x 2 with area; buffers grow to the host's bounds; the stop answer after the step limit.
#include "recording_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "kernel/fit_refusal_cases.h"
#include "kernel/host_defaults.h"
#include "orvantis/host_geometry.h"

namespace {

// The table the host's geometry services run too: the same verdicts, in the host's words.
TEST(RecordingHost, RefusesWhatTheHostRefusesInItsWords) {
  for (const orv::fit::RefusalCase& c : orv::fit::refusal_cases()) {
    reset_host_record(0);
    char ok = 2;
    db_list_ent_type* entry = nullptr;
    orv::fit::ask_host(c, &entry, &ok);
    ASSERT_EQ(host_record().shapes.size(), 1u) << c.name;
    const MadeShape& made = host_record().shapes[0];
    EXPECT_EQ(made.why, c.refusal) << c.name;
    EXPECT_EQ(made.refused, !c.refusal.empty()) << c.name;
    EXPECT_EQ(ok, c.refusal.empty() ? 1 : 0) << c.name;
    EXPECT_EQ(entry != nullptr, c.refusal.empty()) << c.name;
  }
}

TEST(RecordingHost, AsksToStopFromTheStepLimitOn) {
  reset_host_record(2048);
  EXPECT_EQ(plot_stop_requested(0, 5000), 0);
  EXPECT_EQ(plot_stop_requested(1024, 5000), 0);
  EXPECT_NE(plot_stop_requested(2048, 5000), 0);
  EXPECT_TRUE(host_record().stop_answered);
  reset_host_record(0);  // no limit
  EXPECT_EQ(plot_stop_requested(int64_t{1} << 40, int64_t{1} << 41), 0);
}

TEST(RecordingHost, BuffersGrowToTheHostsBoundsOnly) {
  reset_host_record(0);
  EXPECT_NE(CSplineNodeMgr::put_max_n_spline_pts(orv::kMaxSplineNodes), 0);
  EXPECT_EQ(CSplineNodeMgr::put_max_n_spline_pts(orv::kMaxSplineNodes + 1), 0);
  EXPECT_EQ(host_record().buffer_refusal, "spline buffer refused: 1048577 points asked for; it holds from 1 to 1048576");
  EXPECT_EQ(CSurfDataMgr::put_max_n_surf_patches(orv::kMaxSurfPoints + 1), 0);
  EXPECT_EQ(host_record().buffer_refusal,
            "surface buffer refused: 4194305 points asked for; it holds from 1 to 4194304");
  // A refusal stays for the report when a later growth succeeds.
  EXPECT_NE(CSurfDataMgr::put_max_n_surf_patches(2048), 0);
  EXPECT_NE(host_record().buffer_refusal, "");
}

}  // namespace
