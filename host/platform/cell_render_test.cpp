// The text picture of a dialog and the hit test that shares its layout.
#include <gtest/gtest.h>

#include <memory>

#include "platform/cell_render.h"
#include "platform/test_dialog.h"

namespace orv::test {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  return out;
}

TEST(CellRender, DrawsTheDialogFromItsTemplate) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  ::SetWindowTextA(::GetDlgItem(dlg->m_hWnd, 11), "curve");
  ::SendMessageA(::GetDlgItem(dlg->m_hWnd, 12), BM_SETCHECK, 1, 0);
  std::vector<std::string> l = lines_of(render_window(fx.state.windows, dlg->m_hWnd).to_string());
  // 150 x 140 dialog units: 38 x 18 cells inside the frame; x 10 is cell 3 (2.5 rounded up).
  auto row = [](const std::string& inside) { return "│" + inside + std::string(38 - decode_text(inside).size(), ' ') + "│"; };
  ASSERT_EQ(l.size(), 20u);
  EXPECT_EQ(l[0], "┌─ Test ────────────────────────────[×]┐");
  EXPECT_EQ(l[2], row(std::string(24, ' ') + ">5_________"));  // edit 10 has the focus
  EXPECT_EQ(l[4], row(std::string(25, ' ') + "curve_____"));
  EXPECT_EQ(l[6], row("   [x] Flag"));
  EXPECT_EQ(l[8], row("   alpha           ▼"));
  EXPECT_EQ(l[10], row("   [   Run    ]"));
  EXPECT_EQ(l[13], row("   Label" + std::string(17, ' ') + "0_________"));
  EXPECT_EQ(l[15], row("   [  OK   ] [Cancel ] [ Help  ]"));
  EXPECT_EQ(l[19], "└" + [] { std::string s; for (int i = 0; i < 38; ++i) s += "─"; return s; }() + "┘");
  EXPECT_EQ(render_window(fx.state.windows, dlg->m_hWnd).caret_x, 27);

  fx.input.click(14).click(13);  // the list opens over the Run button
  while (pump_one()) {
  }
  l = lines_of(render_window(fx.state.windows, dlg->m_hWnd).to_string());
  EXPECT_EQ(l[8], row("  >alpha           ▼"));
  EXPECT_EQ(l[9], row("   >alpha"));
  EXPECT_EQ(l[10], row("    beta"));
  EXPECT_EQ(l[11], row("    gamma"));
  EXPECT_EQ(l[15], row("   [  OK   ] [Cancel ] [ Help  ]"));
}

TEST(CellRender, HitTestFindsWhatWasDrawn) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  Window* d = fx.state.windows.find(dlg->m_hWnd);
  for (HWND c : d->children) {
    Window* w = fx.state.windows.find(c);
    if (!takes_focus(*w)) continue;
    CellRect r = control_cells(*w);
    int row = w->control == CTL_DROPDOWNLIST ? r.y : r.y + (r.h - 1) / 2;
    CellHit hit = hit_test(fx.state.windows, dlg->m_hWnd, r.x + r.w / 2, row);
    EXPECT_EQ(hit.kind, CellHit::Kind::Control) << w->id;
    EXPECT_EQ(hit.id, w->id);
  }
  CellRect outer = window_cells(fx.state.windows, dlg->m_hWnd);
  EXPECT_EQ(hit_test(fx.state.windows, dlg->m_hWnd, outer.w - 3, 0).kind, CellHit::Kind::CloseBox);
  EXPECT_EQ(hit_test(fx.state.windows, dlg->m_hWnd, 1, 1).kind, CellHit::Kind::None);
}

TEST(CellRender, ScalesToFitAndNeverDrawsOutsideTheGrid) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  CellScale s = fit_scale(fx.state.windows, dlg->m_hWnd, 20, 10);
  CellRect r = window_cells(fx.state.windows, dlg->m_hWnd, s);
  EXPECT_LE(r.w, 20);
  EXPECT_LE(r.h, 10);
  CellGrid g = render_window(fx.state.windows, dlg->m_hWnd, s);
  EXPECT_EQ(g.width(), r.w);
  EXPECT_EQ(lines_of(g.to_string()).size(), static_cast<size_t>(r.h));
}

Window& child(HWND dialog, int id) { return *platform_state().windows.find(::GetDlgItem(dialog, id)); }

TEST(CellRender, ButtonsNeverTouchAndEachShowsItsFocus) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  child(dlg->m_hWnd, 9).x = 86;  // Help now starts in the cell where Cancel ends
  struct Case {
    int focus;
    const char* row;
  };
  const Case cases[] = {
      {10, "   [  OK   ] [Cancel] [ Help  ]"},
      {1, "   [ >OK<  ] [Cancel] [ Help  ]"},
      {2, "   [  OK   ] >Cancel< [ Help  ]"},  // no room inside: the brackets turn
      {9, "   [  OK   ] [Cancel] [>Help< ]"},
  };
  for (const Case& c : cases) {
    fx.state.windows.find(dlg->m_hWnd)->focus = ::GetDlgItem(dlg->m_hWnd, c.focus);
    std::vector<std::string> l = lines_of(render_window(fx.state.windows, dlg->m_hWnd).to_string());
    ASSERT_EQ(l.size(), 20u);
    EXPECT_EQ(l[15], "│" + std::string(c.row) + std::string(38 - std::string(c.row).size(), ' ') + "│") << c.focus;
  }
  // The narrowed button is hit where it is drawn, and the cell it gave up is nobody's.
  CellRect cancel = button_cells(fx.state.windows, child(dlg->m_hWnd, 2));
  EXPECT_EQ(hit_test(fx.state.windows, dlg->m_hWnd, cancel.x + cancel.w - 1, 15).id, 2);
  EXPECT_EQ(hit_test(fx.state.windows, dlg->m_hWnd, cancel.x + cancel.w, 15).kind, CellHit::Kind::None);
}

TEST(CellRender, AListShowsItsItemsWholeAndOpensAboveTheButtonRow) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  Window& list = child(dlg->m_hWnd, 13);
  list.items = {"Draw Spline", "Points", "Lines", "Parametric Spline", "NURB Spline", "Draw Surface",
                "Parametric Surface", "NURB Surface"};
  list.cur_sel = 6;
  list.cy = 200;  // room for every item, were it not for the buttons below
  std::vector<std::string> l = lines_of(render_window(fx.state.windows, dlg->m_hWnd).to_string());
  EXPECT_EQ(l[8], "│   Parametric Surface ▼               │");  // wider than its template, not cut

  list.dropped = true;
  list.hot = 7;
  l = lines_of(render_window(fx.state.windows, dlg->m_hWnd).to_string());
  // Rows 9 to 14 hold items, scrolled to show the highlight; the button row stays.
  EXPECT_EQ(l[9], "│    Lines                             │");
  EXPECT_EQ(l[14], "│   >NURB Surface                      │");
  EXPECT_EQ(l[15], "│   [  OK   ] [Cancel ] [ Help  ]      │");
  ListLayout layout = list_layout(fx.state.windows, list);
  EXPECT_EQ(layout.rows, 6);
  EXPECT_EQ(layout.first, 2);
  EXPECT_EQ(hit_test(fx.state.windows, dlg->m_hWnd, 5, 14).id, 13);
  EXPECT_EQ(hit_test(fx.state.windows, dlg->m_hWnd, 5, 15).id, 1);  // OK is still clicked where it shows
}

TEST(CellRender, DecodesUtf8AndKeepsStrayBytesAsLatin1) {
  EXPECT_EQ(decode_text("a\xC3\xA9z"), U"a\u00e9z");
  EXPECT_EQ(decode_text("\xE9t\xE9"), U"\u00e9t\u00e9");
  EXPECT_EQ(decode_text("\xC3"), U"\u00c3");
  EXPECT_EQ(decode_text("\xC0\x80"), U"\u00c0\u0080");  // an overlong form is not a character
}

}  // namespace
}  // namespace orv::test
