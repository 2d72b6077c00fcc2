// The desktop's layout without a display: dialog units to pixels from the font, and what a click at
// a pixel does in a dialog (control, open list item, close box, beside an open list).
#include <gtest/gtest.h>

#include "core/host.h"
#include "desktop/desktop_layout.h"
#include "orvantis/resource_format.h"

namespace orv::desktop {
namespace {

const ControlTemplate kControls[] = {
    {10, CTL_GROUPBOX, "&Group", 4, 4, 120, 60, 0},
    {11, CTL_EDIT, "", 10, 16, 60, 12, WS_TABSTOP},
    {12, CTL_PUSHBUTTON, "&Plot", 80, 16, 40, 14, WS_TABSTOP},
    {13, CTL_DROPDOWNLIST, "", 10, 40, 80, 60, WS_TABSTOP},
    {14, CTL_STATIC, "Label", 10, 70, 40, 8, 0},
};
const DialogTemplate kDialog = {700, "Layout", 160, 100, 8, "MS Sans Serif", 0, kControls, 5};

class Layout : public ::testing::Test {
 protected:
  Host host_;
  UseHost use_host_{host_};
  void SetUp() override {
    WindowSystem& ws = host_.windows;
    dialog_ = ws.create_dialog(kDialog, nullptr, nullptr);
    Window* list = ws.find(ws.find(dialog_)->children[3]);
    list->items = {"one", "two", "three", "four", "five"};
    list->cur_sel = 0;
    for (HWND c : ws.find(dialog_)->children) ws.find(c)->visible = true;
    ws.show(dialog_, true);
  }
  void TearDown() override { host_.windows.reset(); }
  Window& control(int index) {
    WindowSystem& ws = host_.windows;
    return *ws.find(ws.find(dialog_)->children[index]);
  }
  HWND dialog_ = nullptr;
  FontMetrics font_{8, 16};  // 2 pixels a horizontal dialog unit, 2 a vertical one
};

TEST_F(Layout, DialogUnitsBecomePixelsFromTheFont) {
  Placement p = place(host_.windows, dialog_, 100, 50, font_);
  EXPECT_FLOAT_EQ(p.frame.w, 160 * 2 + 2 * kBorder);
  EXPECT_FLOAT_EQ(p.frame.h, 100 * 2 + caption_height(font_) + 2 * kBorder);
  EXPECT_FLOAT_EQ(p.client.x, 100 + kBorder);
  EXPECT_FLOAT_EQ(p.client.y, 50 + kBorder + caption_height(font_));
  PixelRect b = control_rect(control(2), p);
  EXPECT_FLOAT_EQ(b.x, p.client.x + 160);
  EXPECT_FLOAT_EQ(b.y, p.client.y + 32);
  EXPECT_FLOAT_EQ(b.w, 80);
  EXPECT_FLOAT_EQ(b.h, 28);
  // A drop-down list's template height holds its open list; the field is one line high.
  PixelRect l = control_rect(control(3), p);
  EXPECT_LT(l.h, 60 * 2);
  EXPECT_GE(l.h, font_.line_h);
  // A larger font makes the same dialog larger in proportion.
  Placement big = place(host_.windows, dialog_, 0, 0, FontMetrics{12, 24});
  EXPECT_FLOAT_EQ(big.client.w, 160 * 3);
  EXPECT_FLOAT_EQ(big.client.h, 100 * 3);
}

TEST_F(Layout, ClicksHitWhatIsDrawnThere) {
  Placement p = place(host_.windows, dialog_, 0, 0, font_);
  auto centre = [&](int index) {
    PixelRect r = control_rect(control(index), p);
    return std::pair<float, float>{r.x + r.w / 2, r.y + r.h / 2};
  };
  struct Case {
    const char* what;
    float x, y;
    bool hits;
    UiEvent::Kind kind;
    int id;
  };
  auto [ex, ey] = centre(1);
  auto [bx, by] = centre(2);
  auto [lx, ly] = centre(3);
  auto [sx, sy] = centre(4);
  const PixelRect close = close_box(p);
  const Case cases[] = {
      {"the edit inside the group box", ex, ey, true, UiEvent::Kind::Click, 11},
      {"the button", bx, by, true, UiEvent::Kind::Click, 12},
      {"the list's field", lx, ly, true, UiEvent::Kind::Click, 13},
      {"a static text takes no click", sx, sy, false, UiEvent::Kind::Click, 0},
      {"the close box", close.x + close.w / 2, close.y + close.h / 2, true, UiEvent::Kind::Close, 0},
      {"the caption bar", p.frame.x + 20, p.frame.y + 5, false, UiEvent::Kind::Click, 0},
  };
  for (const Case& c : cases) {
    UiEvent e;
    EXPECT_EQ(click_event(p, c.x, c.y, 1000, e), c.hits) << c.what;
    if (!c.hits) continue;
    EXPECT_EQ(e.kind, c.kind) << c.what;
    EXPECT_EQ(e.id, c.id) << c.what;
  }
}

TEST_F(Layout, ADropDownListIsWideEnoughForItsLongestItemWithinTheDialog) {
  Placement p = place(host_.windows, dialog_, 0, 0, font_);
  Window& list = control(3);
  const PixelRect narrow = control_rect(list, p);
  EXPECT_FLOAT_EQ(narrow.w, 80 * 2) << "short items: the template's width";
  list.items = {"Draw Spline", "Parametric Surface"};
  const PixelRect wide = control_rect(list, p);
  EXPECT_GE(wide.w - wide.h - 8, 18 * font_.char_w) << "the longest item and the arrow fit";
  EXPECT_NEAR(wide.x + wide.w / 2, narrow.x + narrow.w / 2, 1) << "grown about its centre";
  // An item longer than the dialog: as wide as the client area allows, and no wider.
  list.items = {std::string(60, 'W')};
  const PixelRect widest = control_rect(list, p);
  EXPECT_GE(widest.x, p.client.x);
  EXPECT_LE(widest.right(), p.client.right());
  EXPECT_GT(widest.w, p.client.w - 8);
}

TEST_F(Layout, AnOpenListTakesItsItemsAndClosesOnAClickBeside) {
  Placement p = place(host_.windows, dialog_, 0, 0, font_);
  Window& list = control(3);
  list.dropped = true;
  list.hot = 0;
  ListPopup popup = list_popup(list, p, 1000);
  ASSERT_EQ(popup.rows, 5);
  // The third row chooses the third item, even over the static text the list covers.
  UiEvent e;
  ASSERT_TRUE(click_event(p, popup.rect.x + 5, popup.rect.y + 1 + 2.5f * popup.row_h, 1000, e));
  EXPECT_EQ(e.kind, UiEvent::Kind::Select);
  EXPECT_EQ(e.id, 13);
  EXPECT_EQ(e.index, 2);
  // Beside the list: Esc, which closes it.
  ASSERT_TRUE(click_event(p, p.client.right() - 2, p.client.bottom() - 2, 1000, e));
  EXPECT_EQ(e.kind, UiEvent::Kind::Key);
  EXPECT_EQ(e.text, "Esc");
  // A list that reaches the bottom stops there and scrolls to keep the highlighted item in view.
  list.hot = 4;
  PixelRect field = control_rect(list, p);
  ListPopup short_list = list_popup(list, p, field.bottom() + 2 * popup.row_h + 4);
  EXPECT_EQ(short_list.rows, 2);
  EXPECT_EQ(short_list.first, 3);
  EXPECT_LE(short_list.rect.bottom(), field.bottom() + 2 * popup.row_h + 4);
}

}  // namespace
}  // namespace orv::desktop
