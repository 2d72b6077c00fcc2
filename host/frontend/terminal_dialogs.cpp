// Painting cell grids with colours, and clicks through the renderer's hit test.
#include "frontend/terminal_dialogs.h"

#include "interaction/window_click.h"

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

PlacedWindow place_window(WindowSystem& windows, HWND window, int x, int y, int cols, int rows) {
  PlacedWindow p;
  p.windows = &windows;
  p.window = window;
  p.scale = fit_scale(windows, window, cols, rows);
  CellRect r = window_cells(windows, window, p.scale);
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
  WindowSystem& ws = *p.windows;
  const Window* d = ws.find(p.window);
  const Window* c = d ? ws.find(d->focus) : nullptr;
  if (c == nullptr || c->parent != p.window) return false;
  CellRect r = c->control == CTL_DROPDOWNLIST ? list_layout(ws, *c, p.scale).field : control_cells(*c, p.scale);
  if (c->control != CTL_DROPDOWNLIST) r.y += (r.h - 1) / 2;
  cells = {p.x + r.x, p.y + r.y, r.w, 1};
  return true;
}

void keep_field_in_sight(PlacedWindow& box, const std::vector<PlacedWindow>& below, int top, int bottom) {
  const Window* w = box.windows->find(box.window);
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
  WindowSystem& ws = *p.windows;
  const Window* w = ws.find(p.window);
  if (!w) return false;
  const int lc = col - p.x, lr = row - p.y;
  // The renderer's hit test; the rows of an open list below its field are its items.
  const CellHit hit = hit_test(ws, p.window, lc, lr, p.scale);
  interaction::WindowHit h;
  if (hit.kind == CellHit::Kind::CloseBox) {
    h.kind = interaction::WindowHit::Kind::CloseBox;
  } else if (hit.kind == CellHit::Kind::Control) {
    h.kind = interaction::WindowHit::Kind::Control;
    h.id = hit.id;
    h.index = hit.index;  // a list box's row, -1 for any other control
    const Window* open = interaction::open_list(ws, *w);
    if (open && open->id == hit.id) {
      const ListLayout l = list_layout(ws, *open, p.scale);
      if (lr > l.field.y) {
        h.kind = interaction::WindowHit::Kind::ListItem;
        h.index = l.first + (lr - l.field.y - 1);
      }
    }
  }
  return interaction::click_event(ws, *w, h, e);
}

}  // namespace orv::frontend
