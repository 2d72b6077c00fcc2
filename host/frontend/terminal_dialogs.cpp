// Painting cell grids with colours, and clicks through the renderer's hit test.
#include "frontend/terminal_dialogs.h"

#include <algorithm>
#include "platform/window_system.h"

namespace orv::frontend {

namespace {


int role_of(TerminalScreen& s, uint8_t a) {
  int attr;
  if (a & CA_SELECTED) {
    attr = s.role(Role::Selected);
  } else if (a & CA_BUTTON) {
    attr = s.role(a & CA_FOCUS ? Role::ButtonFocus : Role::Button);
  } else if (a & CA_FIELD) {
    attr = s.role(a & CA_FOCUS ? Role::FieldFocus : Role::Field);
  } else if (a & CA_FOCUS) {
    attr = s.role(Role::Accent);
  } else if (a & CA_DISABLED) {
    attr = s.role(Role::Dim);
  } else if (a & CA_FRAME) {
    attr = s.role(Role::Frame);
  } else {
    attr = s.role(Role::Normal);
  }
  if (a & CA_ACCEL) attr |= s.underline();
  return attr;
}

}  // namespace

PlacedWindow place_window(HWND window, int x, int y, int cols, int rows) {
  PlacedWindow p;
  p.window = window;
  p.scale = fit_scale(window, cols, rows);
  CellRect r = window_cells(window, p.scale);
  p.x = x;
  p.y = y;
  p.w = r.w;
  p.h = r.h;
  return p;
}

int clear_of_row(int y, int h, int row, int top, int bottom) {
  if (row < y || row >= y + h) return y;
  if (row + 1 + h <= bottom) return row + 1;
  if (row - h >= top) return row - h;
  return y;
}

bool focused_control_cells(const PlacedWindow& p, CellRect& cells) {
  WindowSystem& ws = WindowSystem::instance();
  const Window* d = ws.find(p.window);
  const Window* c = d ? ws.find(d->focus) : nullptr;
  if (c == nullptr || c->parent != p.window) return false;
  CellRect r = c->control == CTL_DROPDOWNLIST ? list_layout(*c, p.scale).field : control_cells(*c, p.scale);
  if (c->control != CTL_DROPDOWNLIST) r.y += (r.h - 1) / 2;
  cells = {p.x + r.x, p.y + r.y, r.w, 1};
  return true;
}

void keep_field_in_sight(PlacedWindow& box, const std::vector<PlacedWindow>& below, int top, int bottom) {
  const Window* w = WindowSystem::instance().find(box.window);
  if (w == nullptr || w->kind != WindowKind::MessageBox) return;
  for (const PlacedWindow& o : below) {
    CellRect f;
    if (o.window != w->parent || !focused_control_cells(o, f)) continue;
    if (f.x < box.x + box.w && box.x < f.x + f.w) box.y = clear_of_row(box.y, box.h, f.y, top, bottom);
  }
}

void paint_grid(TerminalScreen& s, const CellGrid& g, int x, int y, bool active) {
  const int caption = s.role(active ? Role::CaptionActive : Role::Caption);
  for (int r = 0; r < g.height(); ++r) {
    // Runs of cells with one attribute go out as one text.
    int c = 0;
    while (c < g.width()) {
      const Cell& first = g.at(c, r);
      int attr = r == 0 ? caption : role_of(s, first.attr);
      std::string run;
      int start = c;
      for (; c < g.width(); ++c) {
        const Cell& cell = g.at(c, r);
        int a = r == 0 ? caption : role_of(s, cell.attr);
        if (a != attr) break;
        char32_t ch = cell.ch;
        if (r == 0 && (ch == U'\u2500' || ch == U'\u250c' || ch == U'\u2510')) ch = U' ';  // a plain title bar
        if ((cell.attr & CA_FIELD) && ch == U'_') ch = U' ';  // the field's colour shows its extent
        append_utf8(ch, run);
      }
      s.put(x + start, y + r, run, attr);
    }
  }
  if (active && g.caret_x >= 0) s.caret(x + g.caret_x, y + g.caret_y);
}

bool click_event(const PlacedWindow& p, int col, int row, UiEvent& e) {
  WindowSystem& ws = WindowSystem::instance();
  const Window* w = ws.find(p.window);
  if (!w) return false;
  const int lc = col - p.x, lr = row - p.y;
  // The open list of the window, if any: a click beside it closes it, as Esc does.
  const Window* open = nullptr;
  for (HWND h : w->children) {
    const Window* c = ws.find(h);
    if (c && c->visible && c->control == CTL_DROPDOWNLIST && c->dropped) open = c;
  }
  CellHit hit = hit_test(p.window, lc, lr, p.scale);
  if (hit.kind == CellHit::Kind::CloseBox) {
    e.kind = UiEvent::Kind::Close;
    return true;
  }
  if (hit.kind == CellHit::Kind::Control) {
    if (open && open->id == hit.id) {
      ListLayout l = list_layout(*open, p.scale);
      if (lr > l.field.y) {
        e.kind = UiEvent::Kind::Select;
        e.id = open->id;
        e.index = l.first + (lr - l.field.y - 1);
        return e.index >= 0 && e.index < static_cast<int>(open->items.size());
      }
    }
    if (hit.index >= 0) {
      e.kind = UiEvent::Kind::Select;  // a list box's item: a click selects it
      e.id = hit.id;
      e.index = hit.index;
      return true;
    }
    e.kind = UiEvent::Kind::Click;
    e.id = hit.id;
    return true;
  }
  if (open) {
    e.kind = UiEvent::Kind::Key;
    e.text = "Esc";
    return true;
  }
  return false;
}

}  // namespace orv::frontend
