// The terminal's mouse reports and undecoded control sequences as keys, and a drag's turn of the view.
#include <gtest/gtest.h>

#include "frontend/terminal_sequences.h"
#include "interaction/view_navigation.h"

namespace orv::frontend {
namespace {

using namespace interaction;  // the view's keys and the hints, as the terminal uses them

TEST(MouseReports, SgrReportsBecomeKeys) {
  struct Case {
    const char* params;
    char final_char;
    Key::Type type;
    int ch, x, y;
  } cases[] = {
      {"0;10;5", 'M', Key::Click, 0, 9, 4},     // left press, made cells from 0
      {"32;12;6", 'M', Key::Drag, 0, 11, 5},    // motion with the left button held
      {"0;12;6", 'm', Key::Release, 0, 11, 5},  // its release
      {"64;3;4", 'M', Key::Wheel, 1, 2, 3},     // wheel up
      {"65;3;4", 'M', Key::Wheel, -1, 2, 3},    // wheel down
      {"36;200;90", 'M', Key::Drag, 0, 199, 89},  // with Shift held, past the older form's 223 limit
      {"2;10;5", 'M', Key::None, 0, 9, 4},      // the right button
      {"34;10;5", 'M', Key::None, 0, 9, 4},     // a drag with it
      {"35;10;5", 'M', Key::None, 0, 9, 4},     // motion with no button held
  };
  for (const Case& c : cases) {
    Key k;
    ASSERT_TRUE(decode_sgr_mouse(c.params, c.final_char, k)) << c.params;
    EXPECT_EQ(k.type, c.type) << c.params;
    if (c.type == Key::None) continue;
    EXPECT_EQ(k.ch, c.ch) << c.params;
    EXPECT_EQ(k.x, c.x) << c.params;
    EXPECT_EQ(k.y, c.y) << c.params;
  }
}

TEST(MouseReports, MalformedSgrReportsAreRefusedOrMeanNothing) {
  for (const char* bad : {"", "0;10", "0;10;5;7", "a;1;1", "0;;5", "0;10;5x", "-"}) {
    Key k;
    EXPECT_FALSE(decode_sgr_mouse(bad, 'M', k)) << bad;
  }
  Key k;
  EXPECT_FALSE(decode_sgr_mouse("0;10;5", 'x', k));
  // Numbers that parse but name no cell: nothing, never a key at a negative or huge cell.
  for (const char* odd : {"0;0;5", "0;5;0", "-1;5;5", "0;99999999;5"}) {
    Key m;
    m.type = Key::Click;
    ASSERT_TRUE(decode_sgr_mouse(odd, 'M', m)) << odd;
    EXPECT_EQ(m.type, Key::None) << odd;
  }
}

TEST(MouseReports, TheOlderFormReleasesWithButtonThree) {
  EXPECT_EQ(mouse_report_key(0, 1, 1, false).type, Key::Click);
  EXPECT_EQ(mouse_report_key(3, 1, 1, false).type, Key::Release);
  EXPECT_EQ(mouse_report_key(32, 1, 1, false).type, Key::Drag);
  EXPECT_EQ(mouse_report_key(64, 1, 1, false).type, Key::Wheel);
  EXPECT_EQ(mouse_report_key(64, 1, 1, true).type, Key::None);  // the wheel has no release
}

TEST(ControlSequences, EditingKeysInEitherFormAndNothingElse) {
  struct Case {
    const char* params;
    char final_char;
    Key::Type type;
  } cases[] = {
      {"", 'A', Key::Up},       {"", 'B', Key::Down},     {"1;5", 'C', Key::Right}, {"", 'D', Key::Left},
      {"", 'H', Key::Home},     {"", 'F', Key::End},      {"1", '~', Key::Home},    {"7", '~', Key::Home},
      {"4", '~', Key::End},     {"8", '~', Key::End},     {"3", '~', Key::Delete},  {"5", '~', Key::PageUp},
      {"6", '~', Key::PageDown}, {"", 'Z', Key::BackTab}, {"15", '~', Key::None},   {"200", '~', Key::None},
      {"?1;2", 'c', Key::None},  {"", 'J', Key::None},
      // Shift with the caret keys extends an edit's selection; Shift with the others is the key.
      {"1;2", 'D', Key::ShiftLeft}, {"1;2", 'C', Key::ShiftRight}, {"1;2", 'H', Key::ShiftHome},
      {"1;2", 'F', Key::ShiftEnd},  {"1;2", 'A', Key::Up},         {"1;6", 'D', Key::Left},
  };
  for (const Case& c : cases) EXPECT_EQ(csi_key(c.params, c.final_char).type, c.type) << c.params << c.final_char;
}

TEST(MouseDrag, TurnsAsTheArrowKeysDoAndKeepsZoomAndPan) {
  // A drag of five columns right turns as far as one Right key (15 degrees); down looks from higher.
  const int cols = static_cast<int>(kTurnStep / kDragTurnPerColumn);
  const int rows = static_cast<int>(kTurnStep / kDragTurnPerRow * 2);
  ViewState dragged, keyed;
  dragged.zoom = keyed.zoom = 2;
  dragged.pan = keyed.pan = {0.1, -0.2};
  drag_view(dragged, cols, 0);
  Key right;
  right.type = Key::Right;
  apply_view_key(keyed, right);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(dragged.camera.toward[i], keyed.camera.toward[i], 1e-12);
    EXPECT_NEAR(dragged.camera.up[i], keyed.camera.up[i], 1e-12);
  }
  EXPECT_EQ(dragged.camera.name, "turned");
  EXPECT_EQ(dragged.zoom, 2);
  EXPECT_EQ(dragged.pan.x, 0.1);

  ViewState front;
  front.camera = view::Camera::named(view::NamedView::Front);
  drag_view(front, 0, rows);  // 30 degrees down: the eye rises above the XY plane
  EXPECT_NEAR(front.camera.toward[2], 0.5, 1e-9);

  ViewState still;
  drag_view(still, 0, 0);
  EXPECT_EQ(still.camera.name, "isometric");  // no motion, no turn: the named view stays
}

}  // namespace
}  // namespace orv::frontend
