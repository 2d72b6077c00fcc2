// The Host record: what installing one sets up for the shims and puts back, that two Hosts share
// nothing, and the one last error that the geometry and file services both leave in it.
#include "core/host.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file_services.h"
#include "core/geometry_services.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "platform/transcript.h"

namespace {

TEST(Host, InstallingOneSetsTheGlobalsToItsValuesAndPutsBackTheOneBefore) {
  orv::Host outer;
  outer.globals.main_color = 3;
  outer.globals.chord_deviation = 0.25;
  orv::UseHost use_outer(outer);
  EXPECT_EQ(&orv::host(), &outer);
  EXPECT_EQ(main_color, 3);
  EXPECT_EQ(surf_step_chord_dev, 0.25);
  {
    orv::Host inner;  // the start values
    orv::UseHost use_inner(inner);
    EXPECT_EQ(&orv::host(), &inner);
    EXPECT_EQ(&orv::platform_state(), &inner);
    EXPECT_EQ(main_color, orv::kStartMainColor);
    EXPECT_EQ(gr_back_color, orv::kStartBackColor);
    EXPECT_EQ(main_level, orv::kStartMainLevel);
    EXPECT_EQ(surf_step_chord_dev, orv::kStartChordDeviation);
    EXPECT_EQ(n_places_an, orv::kStartTracePlaces);
    EXPECT_EQ(tol, orv::kStartLeastStep);
    main_color = 12;  // as a plot may leave it
  }
  EXPECT_EQ(&orv::host(), &outer);
  EXPECT_EQ(&orv::platform_state(), &outer);
  EXPECT_EQ(main_color, 3);
  EXPECT_EQ(surf_step_chord_dev, 0.25);
}

TEST(Host, TwoHostsShareNoGeometryWindowsTranscriptOrRefusals) {
  orv::Host a, b;
  const double at[3] = {1, 2, 3};
  ent point{};
  point.kind = ENT_POINT;
  point.p1[0] = at[0];
  char ok = 0;
  HWND a_window = nullptr;
  orv::Transcript transcript;
  {
    orv::UseHost use(a);
    store_ent(&point, nullptr, 0, 10, 1, attributes{}, &ok);
    draw_3d_point(at, 4);
    store_ent(nullptr, nullptr, 0, 10, 1, attributes{}, &ok);  // refused
    a_window = a.windows.create(orv::WindowKind::Viewer, nullptr);
    orv::install_transcript(&transcript);
  }
  EXPECT_EQ(a.database.size(), 1u);
  EXPECT_EQ(a.database.marks().size(), 1u);
  EXPECT_EQ(a.refusals.count, 1);
  EXPECT_EQ(a.transcript, &transcript);
  EXPECT_EQ(b.database.size(), 0u);
  EXPECT_TRUE(b.database.marks().empty());
  EXPECT_EQ(b.refusals.count, 0);
  EXPECT_EQ(b.transcript, nullptr);
  EXPECT_EQ(b.windows.find(a_window), nullptr);
  // Handles are never reused, not even by another window system.
  HWND b_window = b.windows.create(orv::WindowKind::Viewer, nullptr);
  EXPECT_NE(b_window, a_window);
  EXPECT_EQ(a.windows.find(b_window), nullptr);
}

TEST(Host, TheGeometryAndFileServicesLeaveOneLastError) {
  orv::Host host;
  orv::UseHost use(host);
  char ok = 1;
  EXPECT_EQ(q_open_file(".\\KUVRA", 77, "/nonexistent-dir/missing.eqn", "r", &ok), nullptr);
  EXPECT_NE(host.last_error.find(".\\KUVRA:77: /nonexistent-dir/missing.eqn: "), std::string::npos)
      << host.last_error;
  EXPECT_EQ(orv::last_file_error(), host.last_error);
  EXPECT_EQ(orv::last_geometry_error(), host.last_error);

  store_ent(nullptr, nullptr, 0, 10, 1, attributes{}, &ok);
  EXPECT_EQ(host.last_error, "store refused: no record was given");
  EXPECT_EQ(orv::last_file_error(), host.last_error);

  ent point{};
  point.kind = ENT_POINT;
  store_ent(&point, nullptr, 0, 10, 1, attributes{}, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(host.last_error, "");
}

}  // namespace
