// Dialog units to pixels, and clicks to events, for the desktop window's painter.
#include "desktop/desktop_layout.h"

#include "interaction/window_click.h"

#include <algorithm>
#include <cmath>

#include "platform/window_system.h"

namespace orv::desktop {

namespace {
// An open list shows at most this many items at once.
constexpr int kMaxListRows = 12;
}  // namespace

float caption_height(const FontMetrics& font) { return std::round(font.line_h * 1.5f); }

PixelRect window_size(const Window& w, const FontMetrics& font) {
  PixelRect r;
  if (w.kind == WindowKind::Viewer) {
    // A viewer's size is its page: columns and rows of text.
    r.w = w.cx * font.char_w + 2 * kBorder + font.char_w * 2;
    r.h = w.cy * font.line_h + caption_height(font) + 2 * kBorder + font.line_h;
  } else {
    r.w = std::round(w.cx * font.char_w / 4) + 2 * kBorder;
    r.h = std::round(w.cy * font.line_h / 8) + caption_height(font) + 2 * kBorder;
  }
  return r;
}

Placement place(WindowSystem& windows, HWND window, float x, float y, const FontMetrics& font) {
  Placement p;
  p.windows = &windows;
  p.window = window;
  p.font = font;
  const Window* w = windows.find(window);
  if (!w) return p;
  p.frame = window_size(*w, font);
  p.frame.x = x;
  p.frame.y = y;
  const float cap = caption_height(font);
  p.client = {x + kBorder, y + kBorder + cap, p.frame.w - 2 * kBorder, p.frame.h - 2 * kBorder - cap};
  return p;
}

PixelRect control_rect(const Window& c, const Placement& p) {
  const FontMetrics& f = p.font;
  PixelRect r{p.client.x + std::round(c.x * f.char_w / 4), p.client.y + std::round(c.y * f.line_h / 8),
              std::round(c.cx * f.char_w / 4), std::round(c.cy * f.line_h / 8)};
  if (c.control == CTL_DROPDOWNLIST) {
    // A drop-down list's template height includes its open list: the field is one line.
    r.h = std::min(r.h, std::round(f.line_h * 1.5f));
    // Wide enough for its longest item and the arrow, growing about its centre within the client
    // area: the template's width was made for another font.
    std::size_t longest = 0;
    for (const std::string& item : c.items) longest = std::max(longest, item.size());
    const float want = std::round((static_cast<float>(longest) + 1.5f) * f.char_w + r.h + 8);
    if (want > r.w) {
      const float lo = p.client.x + 2, hi = p.client.right() - 2;
      const float w = std::min(want, hi - lo);
      const float x = std::clamp(r.x - (w - r.w) / 2, lo, hi - w);
      r.x = std::round(x);
      r.w = w;
    }
  }
  return r;
}

PixelRect close_box(const Placement& p) {
  const float cap = caption_height(p.font);
  return {p.frame.right() - kBorder - cap, p.frame.y + kBorder, cap, cap};
}

ListPopup list_popup(const Window& list, const Placement& p, float bottom) {
  ListPopup l;
  PixelRect field = control_rect(list, p);
  l.row_h = std::round(p.font.line_h * 1.25f);
  const int n = static_cast<int>(list.items.size());
  const int fit = std::max(1, static_cast<int>((bottom - field.bottom() - 2) / l.row_h));
  l.rows = std::min({n, kMaxListRows, fit});
  const int hot = list.hot >= 0 ? list.hot : std::max(0, list.cur_sel);
  l.first = std::clamp(hot - l.rows + 1, 0, std::max(0, n - l.rows));
  if (hot < l.first) l.first = hot;
  l.rect = {field.x, field.bottom(), field.w, l.rows * l.row_h + 2};
  return l;
}

bool click_event(const Placement& p, float px, float py, float bottom, UiEvent& e) {
  WindowSystem& ws = *p.windows;
  const Window* w = ws.find(p.window);
  if (!w) return false;
  using Hit = interaction::WindowHit;
  Hit hit;
  const Window* open = interaction::open_list(ws, *w);
  if (const ListPopup l = open ? list_popup(*open, p, bottom) : ListPopup{}; open && l.rect.contains(px, py)) {
    const int index = l.first + static_cast<int>((py - l.rect.y - 1) / l.row_h);
    hit.kind = Hit::Kind::ListItem;
    hit.index = index < l.first || index >= l.first + l.rows ? -1 : index;  // the popup's border
  } else if (close_box(p).contains(px, py)) {
    hit.kind = Hit::Kind::CloseBox;
  } else if (p.client.contains(px, py)) {
    // The last control in template order that holds the point: group boxes come before what they hold.
    for (HWND h : w->children) {
      const Window* c = ws.find(h);
      if (!c || !c->visible || !takes_focus(*c)) continue;
      if (control_rect(*c, p).contains(px, py)) {
        hit.kind = Hit::Kind::Control;
        hit.id = c->id;
        hit.index = -1;
        if (c->control == CTL_LISTBOX) {
          // A list box's row: a click selects its item (a row is a line, 8 dialog units).
          const int i = list_box_first(*c) + static_cast<int>((py - control_rect(*c, p).y) / std::max(1.0f, p.font.line_h));
          hit.index = i < static_cast<int>(c->items.size()) ? i : -1;
        }
      }
    }
  }
  return interaction::click_event(ws, *w, hit, e);
}

}  // namespace orv::desktop
