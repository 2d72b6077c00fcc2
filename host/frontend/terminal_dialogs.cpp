// Laying out and drawing dialog window records in cells. Controls one row high (buttons, check
// boxes, edits, closed lists, texts) sit on the row of their template centre; group boxes span
// their rows; an open list drops below its field, over what is there.
#include "frontend/terminal_dialogs.h"

#include <algorithm>
#include <cmath>

namespace orv::frontend {

namespace {

int round_cells(double v) { return static_cast<int>(std::floor(v + 0.5)); }

bool single_row(const Window& c) {
  return c.control != CTL_GROUPBOX &&
         !(c.control == CTL_STATIC && c.text.find('\n') != std::string::npos);
}

// Lines of a text wrapped at `width` cells, keeping its own line breaks.
std::vector<std::string> wrap(const std::string& text, int width) {
  std::vector<std::string> out;
  width = std::max(width, 1);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t nl = text.find('\n', start);
    std::string para = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    while (text_cells(para) > width) {
      std::string head = text_prefix(para, width);
      std::size_t space = head.find_last_of(' ');
      if (space == std::string::npos || space == 0) space = head.size();
      out.push_back(para.substr(0, space));
      para = para.substr(std::min(para.size(), space + (space < para.size() && para[space] == ' ')));
    }
    out.push_back(para);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

// Text with its accelerator letter underlined, at most `room` cells.
void put_accel(TerminalScreen& s, int x, int y, const std::string& text, int attr, int room) {
  Accel a = split_accelerator(text);
  int used = text_cells(a.before);
  s.put(x, y, a.before, attr, room);
  if (a.letter.empty() || used >= room) return;
  s.put(x + used, y, a.letter, attr | s.underline(), 1);
  ++used;
  if (used < room) s.put(x + used, y, a.after, attr, room - used);
}

}  // namespace

Accel split_accelerator(const std::string& text) {
  Accel a;
  std::string* part = &a.before;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      if (text[i + 1] == '&') {
        *part += '&';
        ++i;
        continue;
      }
      if (a.letter.empty() && part == &a.before) {
        a.letter = text.substr(i + 1, 1);
        part = &a.after;
        ++i;
        continue;
      }
    }
    *part += text[i];
  }
  return a;
}

DialogLayout layout_dialog(const Window& d, const CellRect& area, bool dock) {
  DialogLayout L;
  L.dialog = d.handle;
  const double cx = std::max(d.cx, 40), cy = std::max(d.cy, 24);
  double sx = 0.25, sy = 0.125;
  if (round_cells(cx * sx) + 2 > area.w) sx = std::max(area.w - 2, 8) / cx;
  if (round_cells(cy * sy) + 2 > area.h) sy = std::max(area.h - 2, 4) / cy;
  int cw = round_cells(cx * sx), ch = round_cells(cy * sy);
  L.outer.w = cw + 2;
  L.outer.h = ch + 2;
  if (dock) {
    L.outer.x = area.x;
    L.outer.y = area.y;
  } else {
    L.outer.x = area.x + std::max(0, (area.w - L.outer.w) / 2);
    L.outer.y = area.y + std::max(0, (area.h - L.outer.h) / 2);
  }
  L.close_box = {L.outer.x + L.outer.w - 4, L.outer.y, 3, 1};
  const int ox = L.outer.x + 1, oy = L.outer.y + 1;
  WindowSystem& ws = WindowSystem::instance();
  for (HWND h : d.children) {
    const Window* c = ws.find(h);
    if (!c || !c->visible) continue;
    CellRect r;
    r.x = ox + round_cells(c->x * sx);
    r.w = std::max(1, round_cells((c->x + c->cx) * sx) - round_cells(c->x * sx));
    r.w = std::min(r.w, ox + cw - r.x);
    if (c->control == CTL_GROUPBOX) {
      r.y = oy + round_cells(c->y * sy);
      r.h = std::max(2, round_cells((c->y + c->cy) * sy) - round_cells(c->y * sy));
    } else if (single_row(*c)) {
      int closed = c->control == CTL_DROPDOWNLIST ? std::min(c->cy, 12) : c->cy;
      r.y = oy + static_cast<int>(std::floor((c->y + closed / 2.0) * sy));
      r.h = 1;
    } else {
      r.y = oy + round_cells(c->y * sy);
      r.h = std::max(1, round_cells(c->cy * sy));
    }
    r.y = std::min(r.y, oy + ch - 1);
    L.controls.push_back({h, r});
    if (c->control == CTL_DROPDOWNLIST && c->dropped) {
      int n = static_cast<int>(c->items.size());
      int room = std::max(3, round_cells((c->cy - 12) * sy * 1.5));
      int shown = std::clamp(n, 1, room);
      L.list = {r.x, r.y + 1, std::max(r.w, 8), shown};
      L.list_owner = h;
      int sel = std::max(c->cur_sel, 0);
      L.list_first = std::clamp(sel - shown / 2, 0, std::max(0, n - shown));
    }
  }
  return L;
}

Hit hit_test(const DialogLayout& L, int x, int y) {
  Hit hit;
  if (L.list_owner && L.list.contains(x, y)) {
    hit.kind = Hit::ListItem;
    hit.control = L.list_owner;
    hit.item = L.list_first + (y - L.list.y);
    return hit;
  }
  if (L.close_box.contains(x, y)) {
    hit.kind = Hit::CloseBox;
    return hit;
  }
  if (!L.outer.contains(x, y)) return hit;
  hit.kind = Hit::Inside;
  WindowSystem& ws = WindowSystem::instance();
  for (const auto& item : L.controls) {
    const Window* c = ws.find(item.control);
    if (!c || !takes_focus(*c) || !item.rect.contains(x, y)) continue;
    hit.kind = Hit::Control;
    hit.control = item.control;
    return hit;
  }
  return hit;
}

void draw_dialog(TerminalScreen& s, const DialogLayout& L, bool active) {
  WindowSystem& ws = WindowSystem::instance();
  const Window* d = ws.find(L.dialog);
  if (!d) return;
  const int normal = s.role(Role::Normal);
  const CellRect& o = L.outer;
  s.fill(o.x, o.y, o.w, o.h, normal);
  s.frame(o.x, o.y, o.w, o.h, s.role(Role::Frame));
  const int cap = s.role(active ? Role::CaptionActive : Role::Caption);
  s.fill(o.x, o.y, o.w, 1, cap);
  s.put(o.x + 1, o.y, " " + strip_accelerator(d->text), cap, o.w - 5);
  s.put(L.close_box.x, L.close_box.y, " \u00d7 ", cap);

  HWND focus = active ? d->focus : nullptr;
  for (const auto& item : L.controls) {
    const Window* c = ws.find(item.control);
    if (!c) continue;
    const CellRect& r = item.rect;
    const bool focused = item.control == focus;
    const int text_attr = c->enabled ? normal : s.role(Role::Dim);
    switch (c->control) {
      case CTL_GROUPBOX: {
        s.frame(r.x, r.y, r.w, r.h, s.role(Role::Frame));
        std::string title = " " + strip_accelerator(c->text) + " ";
        s.put(r.x + 2, r.y, title, text_attr, r.w - 4);
        break;
      }
      case CTL_STATIC: {
        std::vector<std::string> lines = wrap(strip_accelerator(c->text), r.w);
        for (int i = 0; i < static_cast<int>(lines.size()) && i < std::max(r.h, 1); ++i) {
          s.put(r.x, r.y + i, lines[i], text_attr, r.w);
        }
        break;
      }
      case CTL_PUSHBUTTON:
      case CTL_OWNERDRAW_BUTTON: {
        Accel a = split_accelerator(c->text);
        int label = text_cells(a.before) + text_cells(a.letter) + text_cells(a.after);
        // "[ label ]" when there is room, "[label]" when the button is narrow.
        int bw = label + 4 <= r.w ? std::max(label + 4, 6) : label + 2;
        int bx = r.x + (r.w - bw) / 2;
        int attr = focused ? s.role(Role::ButtonFocus) : s.role(Role::Button);
        s.fill(bx, r.y, bw, 1, attr);
        s.put(bx, r.y, focused ? "\u25b8" : "[", attr);
        s.put(bx + bw - 1, r.y, focused ? "\u25c2" : "]", attr);
        put_accel(s, bx + (bw - label) / 2, r.y, c->text, attr, bw - 2);
        break;
      }
      case CTL_AUTOCHECKBOX: {
        s.put(r.x, r.y, c->check ? "[\u2713]" : "[ ]", focused ? s.role(Role::FieldFocus) : s.role(Role::Field));
        int attr = focused ? s.role(Role::Selected) : text_attr;
        s.put(r.x + 3, r.y, " ", text_attr);
        put_accel(s, r.x + 4, r.y, c->text, attr, r.w - 4);
        break;
      }
      case CTL_EDIT: {
        int attr = focused ? s.role(Role::FieldFocus) : s.role(Role::Field);
        s.fill(r.x, r.y, r.w, 1, attr);
        const std::string& t = c->text;
        int n = text_cells(t);
        int caret = std::clamp(c->sel_end, 0, n);
        int first = std::max(0, caret - (r.w - 1));
        std::string shown = text_prefix(t.substr(text_prefix(t, first).size()), r.w);
        s.put(r.x, r.y, shown, attr, r.w);
        if (focused) {
          int a = std::clamp(std::min(c->sel_start, c->sel_end), 0, n);
          int b = std::clamp(std::max(c->sel_start, c->sel_end), 0, n);
          if (b > a) {
            int from = std::max(a, first), to = std::min(b, first + r.w);
            if (to > from) {
              std::string sel = text_prefix(t.substr(text_prefix(t, from).size()), to - from);
              s.put(r.x + from - first, r.y, sel, s.role(Role::Selected));
            }
          }
          s.caret(r.x + caret - first, r.y);
        }
        break;
      }
      case CTL_DROPDOWNLIST: {
        int attr = focused ? s.role(Role::FieldFocus) : s.role(Role::Field);
        s.fill(r.x, r.y, r.w, 1, attr);
        std::string cur = c->cur_sel >= 0 && c->cur_sel < static_cast<int>(c->items.size()) ? c->items[c->cur_sel] : "";
        s.put(r.x + 1, r.y, cur, attr, r.w - 3);
        s.put(r.x + r.w - 2, r.y, "\u25be", attr);
        break;
      }
    }
  }
  // An open list goes over everything else.
  if (L.list_owner) {
    const Window* c = ws.find(L.list_owner);
    if (c) {
      for (int i = 0; i < L.list.h; ++i) {
        int idx = L.list_first + i;
        if (idx >= static_cast<int>(c->items.size())) break;
        int attr = idx == c->cur_sel ? s.role(Role::Selected) : s.role(Role::Field);
        s.fill(L.list.x, L.list.y + i, L.list.w, 1, attr);
        s.put(L.list.x + 1, L.list.y + i, c->items[idx], attr, L.list.w - 2);
      }
      if (L.list_first > 0) s.put(L.list.x + L.list.w - 1, L.list.y, "\u25b4", s.role(Role::Field));
      if (L.list_first + L.list.h < static_cast<int>(c->items.size())) {
        s.put(L.list.x + L.list.w - 1, L.list.y + L.list.h - 1, "\u25be", s.role(Role::Field));
      }
    }
  }
}

}  // namespace orv::frontend
