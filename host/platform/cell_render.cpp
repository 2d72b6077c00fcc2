// Cell-grid drawing of windows. Every place comes from one mapping (dialog units to cells, rounded),
// used for drawing and for hit-testing alike, so what a click hits is what was drawn there.
#include "platform/cell_render.h"

#include <algorithm>
#include <cmath>

#include "platform/window_system.h"

namespace orv {
namespace {

constexpr char32_t kH = U'─', kV = U'│', kTL = U'┌', kTR = U'┐', kBL = U'└', kBR = U'┘';

int to_cells(double units, double per_cell) { return static_cast<int>(std::lround(units / per_cell)); }


void box(CellGrid& g, int x, int y, int w, int h, uint8_t attr) {
  if (w < 2 || h < 2) return;
  for (int i = 1; i < w - 1; ++i) {
    g.put(x + i, y, kH, attr);
    g.put(x + i, y + h - 1, kH, attr);
  }
  for (int j = 1; j < h - 1; ++j) {
    g.put(x, y + j, kV, attr);
    g.put(x + w - 1, y + j, kV, attr);
  }
  g.put(x, y, kTL, attr);
  g.put(x + w - 1, y, kTR, attr);
  g.put(x, y + h - 1, kBL, attr);
  g.put(x + w - 1, y + h - 1, kBR, attr);
}

// A label with its accelerator: the "&" marks are dropped and the marked letter gets CA_ACCEL.
int label(CellGrid& g, int x, int y, const std::string& text, int max, uint8_t attr) {
  std::string plain = strip_accelerator(text);
  int used = g.text(x, y, plain, max, attr);
  // Find the accelerator's position in the plain text.
  int pos = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      if (text[i + 1] != '&') {
        std::u32string before = decode_text(plain.substr(0, static_cast<size_t>(pos)));
        int cell = static_cast<int>(before.size());
        if (cell < used) g.at(x + cell, y).attr |= CA_ACCEL;
        break;
      }
      ++i;
    }
    ++pos;
  }
  return used;
}

bool is_push_button(const Window& w) { return w.control == CTL_PUSHBUTTON || w.control == CTL_OWNERDRAW_BUTTON; }

bool focused(const Window& dialog, const Window& c) { return dialog.focus == c.handle; }

void mark_focus_left(CellGrid& g, const CellRect& r, int row) {
  if (r.x - 1 >= 1 && g.at(r.x - 1, row).ch == U' ') g.put(r.x - 1, row, U'>', CA_FOCUS);
}

void draw_button(CellGrid& g, const Window& d, const Window& c, const CellRect& r, uint8_t base) {
  int row = r.y + (r.h - 1) / 2;
  int w = std::max(r.w, 3);
  bool f = focused(d, c);
  uint8_t a = static_cast<uint8_t>(base | CA_BUTTON | (f ? CA_FOCUS : 0));
  for (int i = 0; i < w; ++i) g.put(r.x + i, row, U' ', a);
  int inner = w - 2;
  int len = static_cast<int>(decode_text(strip_accelerator(c.text)).size());
  int shown = std::min(len, inner);
  int start = r.x + 1 + (inner - shown) / 2;
  label(g, start, row, c.text, inner, a);
  // The focus shows in the text too, for terminals without colour: ">" and "<" round the caption,
  // or in place of the brackets when the caption leaves no room inside them.
  bool inside = f && shown + 2 <= inner;
  g.put(r.x, row, f && !inside ? U'>' : U'[', a);
  g.put(r.x + w - 1, row, f && !inside ? U'<' : U']', a);
  if (inside) {
    g.put(start - 1, row, U'>', a);
    g.put(start + shown, row, U'<', a);
  }
}

void draw_edit(CellGrid& g, const Window& d, const Window& c, const CellRect& r, uint8_t base) {
  int row = r.y + (r.h - 1) / 2;
  bool f = focused(d, c);
  uint8_t a = static_cast<uint8_t>(base | CA_FIELD | (f ? CA_FOCUS : 0));
  std::u32string text = decode_text(c.text);
  int w = std::max(r.w, 1);
  // Scroll so that the caret stays inside the field.
  int caret = std::clamp(static_cast<int>(decode_text(c.text.substr(0, static_cast<size_t>(std::clamp(c.sel_end, 0, static_cast<int>(c.text.size()))))).size()), 0,
                         static_cast<int>(text.size()));
  int first = caret >= w ? caret - w + 1 : 0;
  int lo = std::min(c.sel_start, c.sel_end), hi = std::max(c.sel_start, c.sel_end);
  int lo_cell = static_cast<int>(decode_text(c.text.substr(0, static_cast<size_t>(std::clamp(lo, 0, static_cast<int>(c.text.size()))))).size());
  int hi_cell = static_cast<int>(decode_text(c.text.substr(0, static_cast<size_t>(std::clamp(hi, 0, static_cast<int>(c.text.size()))))).size());
  for (int i = 0; i < w; ++i) {
    int k = first + i;
    char32_t ch = k < static_cast<int>(text.size()) ? text[static_cast<size_t>(k)] : U'_';
    uint8_t ca = a;
    if (f && k >= lo_cell && k < hi_cell) ca |= CA_SELECTED;
    g.put(r.x + i, row, ch, ca);
  }
  if (f) {
    g.caret_x = r.x + (caret - first);
    g.caret_y = row;
    mark_focus_left(g, r, row);
  }
}

void draw_list(WindowSystem& ws, CellGrid& g, const Window& d, const Window& c, CellScale s, uint8_t base) {
  ListLayout l = list_layout(ws, c, s);
  const CellRect& r = l.field;
  int row = r.y;
  bool f = focused(d, c);
  uint8_t a = static_cast<uint8_t>(base | CA_FIELD | (f ? CA_FOCUS : 0));
  // The field: the chosen item and the arrow.
  int w = std::max(r.w, 2);
  for (int i = 0; i < w; ++i) g.put(r.x + i, row, U' ', a);
  g.put(r.x + w - 1, row, U'▼', a);
  if (c.cur_sel >= 0 && c.cur_sel < static_cast<int>(c.items.size()))
    g.text(r.x, row, c.items[static_cast<size_t>(c.cur_sel)], w - 1, a);
  if (f) mark_focus_left(g, r, row);
  if (!c.dropped) return;
  for (int i = 0; i < l.rows; ++i) {
    int k = l.first + i;
    if (k >= static_cast<int>(c.items.size())) break;
    bool chosen = k == c.hot;
    uint8_t ia = static_cast<uint8_t>(base | CA_FIELD | (chosen ? CA_SELECTED : 0));
    for (int x = 0; x < w; ++x) g.put(r.x + x, row + 1 + i, U' ', ia);
    g.put(r.x, row + 1 + i, chosen ? U'>' : U' ', ia);
    g.text(r.x + 1, row + 1 + i, c.items[static_cast<size_t>(k)], w - 1, ia);
  }
}

// The first item a list box shows in `rows` rows: its top line, the selection kept in view.
int list_box_first_row(const Window& c, int rows) {
  int first = list_box_first(c);
  if (c.cur_sel >= 0 && c.cur_sel >= first + rows) first = c.cur_sel - rows + 1;
  return std::max(0, first);
}

// A list box: a row an item, the selected one marked (">" too, for terminals without colour).
void draw_list_box(CellGrid& g, const Window& d, const Window& c, const CellRect& r, uint8_t base) {
  const bool f = focused(d, c);
  const int w = std::max(r.w, 2), rows = std::max(r.h, 1);
  const int first = list_box_first_row(c, rows);
  for (int i = 0; i < rows; ++i) {
    const int k = first + i;
    const bool on = k == c.cur_sel && k < static_cast<int>(c.items.size());
    const uint8_t a = static_cast<uint8_t>(base | CA_FIELD | (on ? CA_SELECTED : 0) | (f && on ? CA_FOCUS : 0));
    for (int x = 0; x < w; ++x) g.put(r.x + x, r.y + i, U' ', a);
    if (k >= static_cast<int>(c.items.size())) continue;
    g.put(r.x, r.y + i, on ? U'>' : U' ', a);
    g.text(r.x + 1, r.y + i, c.items[static_cast<size_t>(k)], w - 1, a);
  }
  if (f) mark_focus_left(g, r, c.cur_sel >= first && c.cur_sel < first + rows ? r.y + c.cur_sel - first : r.y);
}

void draw_check(CellGrid& g, const Window& d, const Window& c, const CellRect& r, int client_right, uint8_t base) {
  int row = r.y + (r.h - 1) / 2;
  bool f = focused(d, c);
  uint8_t a = static_cast<uint8_t>(base | (f ? CA_FOCUS : 0));
  g.put(r.x, row, U'[', a);
  g.put(r.x + 1, row, c.check ? U'x' : U' ', a);
  g.put(r.x + 2, row, U']', a);
  label(g, r.x + 4, row, c.text, std::max(0, client_right - (r.x + 4)), a);
  if (f) mark_focus_left(g, r, row);
}

void draw_static(CellGrid& g, const Window& c, const CellRect& r, int client_right, uint8_t base) {
  int row = r.y;
  size_t start = 0;
  int max = std::max(r.w, client_right - r.x);
  for (;;) {
    size_t nl = c.text.find('\n', start);
    std::string line = c.text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    label(g, r.x, row++, line, max, base);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
}

void draw_group(CellGrid& g, const Window& c, const CellRect& r, uint8_t base) {
  box(g, r.x, r.y, r.w, std::max(r.h, 2), static_cast<uint8_t>(base | CA_FRAME));
  std::string title = strip_accelerator(c.text);
  if (!title.empty() && r.w > 4) {
    g.put(r.x + 1, r.y, U' ', base);
    int used = label(g, r.x + 2, r.y, c.text, r.w - 4, base);
    g.put(r.x + 2 + used, r.y, U' ', base);
  }
}

void draw_frame(CellGrid& g, const Window& w) {
  box(g, 0, 0, g.width(), g.height(), CA_FRAME);
  int max = g.width() - 8;
  if (max > 0) {
    g.put(1, 0, kH, CA_FRAME);
    g.put(2, 0, U' ', CA_CAPTION);
    int used = g.text(3, 0, w.text, max, CA_CAPTION);
    g.put(3 + used, 0, U' ', CA_CAPTION);
  }
  if (g.width() >= 6) {
    g.put(g.width() - 4, 0, U'[', CA_FRAME);
    g.put(g.width() - 3, 0, U'×', CA_FRAME);
    g.put(g.width() - 2, 0, U']', CA_FRAME);
  }
}

CellGrid render_viewer(const Window& v) {
  int cols = std::max(v.cx, 20), rows = std::max(v.cy, 3);
  CellGrid g(cols + 2, rows + 2);
  draw_frame(g, v);
  int n = static_cast<int>(v.lines.size());
  for (int i = 0; i < rows && v.top_line + i < n; ++i)
    g.text(1, 1 + i, v.lines[static_cast<size_t>(v.top_line + i)], cols);
  std::string status = " lines " + std::to_string(n == 0 ? 0 : v.top_line + 1) + "-" +
                       std::to_string(std::min(n, v.top_line + rows)) + " of " + std::to_string(n) +
                       "  q closes, / searches ";
  g.text(2, rows + 1, status, cols - 2, CA_FRAME);
  return g;
}

}  // namespace

void append_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

CellGrid::CellGrid(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      cells_(static_cast<size_t>(width_) * static_cast<size_t>(height_)) {}

Cell& CellGrid::at(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    scratch_ = Cell{};
    return scratch_;
  }
  return cells_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

const Cell& CellGrid::at(int x, int y) const { return const_cast<CellGrid*>(this)->at(x, y); }

void CellGrid::put(int x, int y, char32_t ch, uint8_t attr) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Cell& c = at(x, y);
  c.ch = ch;
  c.attr = attr;
}

int CellGrid::text(int x, int y, const std::string& s, int max, uint8_t attr) {
  std::u32string t = decode_text(s);
  int n = std::min(static_cast<int>(t.size()), std::max(max, 0));
  for (int i = 0; i < n; ++i) {
    char32_t c = t[static_cast<size_t>(i)];
    put(x + i, y, (c < 0x20 || c == 0x7F) ? U'?' : c, attr);
  }
  return n;
}

std::string CellGrid::to_string() const {
  std::string out;
  for (int y = 0; y < height_; ++y) {
    std::string line;
    for (int x = 0; x < width_; ++x) append_utf8(at(x, y).ch, line);
    size_t end = line.find_last_not_of(' ');
    line.resize(end == std::string::npos ? 0 : end + 1);
    out += line;
    out += '\n';
  }
  return out;
}

std::u32string decode_text(const std::string& s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t c = 0;
    bool valid = len > 0 && i + static_cast<size_t>(len) <= s.size();
    if (valid) {
      c = len == 1 ? b : static_cast<char32_t>(b & (0x7F >> len));
      for (int k = 1; k < len; ++k) {
        unsigned char cb = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((cb & 0xC0) != 0x80) {
          valid = false;
          break;
        }
        c = (c << 6) | (cb & 0x3F);
      }
    }
    if (valid && len > 1 && (c < (len == 2 ? 0x80u : len == 3 ? 0x800u : 0x10000u) || c > 0x10FFFF)) valid = false;
    if (!valid) {
      out += static_cast<char32_t>(b);
      ++i;
    } else {
      out += c;
      i += static_cast<size_t>(len);
    }
  }
  return out;
}

CellRect window_cells(WindowSystem& ws, HWND window, CellScale s) {
  Window* w = ws.find(window);
  if (w == nullptr) return {};
  if (w->kind == WindowKind::Viewer) return {0, 0, std::max(w->cx, 20) + 2, std::max(w->cy, 3) + 2};
  return {0, 0, to_cells(w->cx, s.ux) + 2, to_cells(w->cy, s.uy) + 2};
}

CellScale fit_scale(WindowSystem& ws, HWND window, int cols, int rows) {
  CellScale s;
  Window* w = ws.find(window);
  if (w == nullptr || w->kind == WindowKind::Viewer) return s;
  CellRect r = window_cells(ws, window, s);
  if (r.w > cols && cols > 2) s.ux = static_cast<double>(w->cx) / (cols - 2) * 1.0001;
  if (r.h > rows && rows > 2) s.uy = static_cast<double>(w->cy) / (rows - 2) * 1.0001;
  return s;
}

CellRect control_cells(const Window& c, CellScale s) {
  int x0 = to_cells(c.x, s.ux), y0 = to_cells(c.y, s.uy);
  int x1 = to_cells(c.x + c.cx, s.ux), y1 = to_cells(c.y + c.cy, s.uy);
  return {1 + x0, 1 + y0, std::max(1, x1 - x0), std::max(1, y1 - y0)};
}

// The row a control is drawn on: a list's field is its top row, others sit in their middle.
static int drawn_row(const Window& c, const CellRect& r) {
  return c.control == CTL_DROPDOWNLIST || c.control == CTL_LISTBOX ? r.y : r.y + (r.h - 1) / 2;
}

ListLayout list_layout(WindowSystem& ws, const Window& c, CellScale s) {
  ListLayout l;
  l.field = control_cells(c, s);
  CellRect& r = l.field;
  const Window* d = ws.find(c.parent);
  const int n = static_cast<int>(c.items.size());
  int longest = 0;
  for (const std::string& item : c.items) longest = std::max(longest, static_cast<int>(decode_text(item).size()));
  int right = r.x + std::max(r.w, longest + 2);  // an item, a blank and the arrow
  int bottom = r.y + 1 + std::min(n, std::max(r.h - 1, 1));
  if (d != nullptr) {
    CellRect outer = window_cells(ws, d->handle, s);
    right = std::min(right, outer.w - 1);
    bottom = std::min(bottom, outer.h - 1);
    std::vector<int> button_rows;
    for (HWND h : d->children) {
      const Window* o = ws.find(h);
      if (o == nullptr || o == &c || !o->visible) continue;
      CellRect orc = control_cells(*o, s);
      int orow = drawn_row(*o, orc);
      if (orow == r.y && orc.x >= r.x + r.w) right = std::min(right, orc.x - 1);
      if (is_push_button(*o) && orow > r.y) button_rows.push_back(orow);
    }
    // A row holding two or more buttons is the dialog's button row: the open list stops above it.
    for (int row : button_rows)
      if (std::count(button_rows.begin(), button_rows.end(), row) >= 2) bottom = std::min(bottom, row);
  }
  r.w = std::max(r.w, right - r.x);
  l.rows = std::max(1, bottom - r.y - 1);
  l.rows = std::min(l.rows, std::max(n, 1));
  int sel = c.dropped ? c.hot : c.cur_sel;
  l.first = sel >= l.rows ? std::min(sel - l.rows + 1, std::max(0, n - l.rows)) : 0;
  return l;
}

CellRect button_cells(WindowSystem& ws, const Window& b, CellScale s) {
  CellRect r = control_cells(b, s);
  const Window* d = ws.find(b.parent);
  if (d == nullptr || r.w <= 3) return r;
  const int row = drawn_row(b, r);
  for (HWND h : d->children) {
    const Window* o = ws.find(h);
    if (o == nullptr || o == &b || !o->visible || !is_push_button(*o)) continue;
    CellRect orc = control_cells(*o, s);
    if (drawn_row(*o, orc) == row && orc.x == r.x + r.w) {
      --r.w;
      break;
    }
  }
  return r;
}

CellGrid render_window(WindowSystem& ws, HWND window, CellScale s) {
  Window* w = ws.find(window);
  if (w == nullptr || w->kind == WindowKind::Control || w->kind == WindowKind::Frame) return CellGrid(0, 0);
  if (w->kind == WindowKind::Viewer) return render_viewer(*w);
  CellRect outer = window_cells(ws, window, s);
  CellGrid g(outer.w, outer.h);
  draw_frame(g, *w);
  int client_right = outer.w - 1;
  // Group boxes first, so that the controls inside them draw over their lines.
  for (int pass = 0; pass < 2; ++pass) {
    for (HWND h : w->children) {
      Window* c = ws.find(h);
      if (c == nullptr || !c->visible) continue;
      bool group = c->control == CTL_GROUPBOX;
      if ((pass == 0) != group) continue;
      CellRect r = control_cells(*c, s);
      uint8_t base = c->enabled ? 0 : CA_DISABLED;
      switch (c->control) {
        case CTL_PUSHBUTTON:
        case CTL_OWNERDRAW_BUTTON: draw_button(g, *w, *c, button_cells(ws, *c, s), base); break;
        case CTL_AUTOCHECKBOX: draw_check(g, *w, *c, r, client_right, base); break;
        case CTL_EDIT: draw_edit(g, *w, *c, r, base); break;
        case CTL_STATIC: draw_static(g, *c, r, client_right, base); break;
        case CTL_GROUPBOX: draw_group(g, *c, r, base); break;
        case CTL_LISTBOX: draw_list_box(g, *w, *c, r, base); break;
        case CTL_DROPDOWNLIST: break;  // drawn last: an open list covers what lies below it
      }
    }
  }
  for (HWND h : w->children) {
    Window* c = ws.find(h);
    if (c && c->visible && c->control == CTL_DROPDOWNLIST)
      draw_list(ws, g, *w, *c, s, c->enabled ? 0 : CA_DISABLED);
  }
  return g;
}

CellHit hit_test(WindowSystem& ws, HWND window, int col, int row, CellScale s) {
  Window* w = ws.find(window);
  CellHit hit;
  if (w == nullptr) return hit;
  CellRect outer = window_cells(ws, window, s);
  if (row == 0 && col >= outer.w - 4 && col <= outer.w - 2) return {CellHit::Kind::CloseBox, 0, -1};
  if (row == 0 && col >= 0 && col < outer.w) return {CellHit::Kind::Caption, 0, -1};
  // Later controls lie on top; an open list covers more than its field.
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = ws.find(*it);
    if (c == nullptr || !c->visible || !takes_focus(*c)) continue;
    CellRect r = control_cells(*c, s);
    int rows = 1;
    if (is_push_button(*c)) r = button_cells(ws, *c, s);
    if (c->control == CTL_DROPDOWNLIST) {
      ListLayout l = list_layout(ws, *c, s);
      r = l.field;
      if (c->dropped) rows = 1 + l.rows;
    }
    if (c->control == CTL_LISTBOX) {
      if (col < r.x || col >= r.x + r.w || row < r.y || row >= r.y + r.h) continue;
      const int k = list_box_first_row(*c, std::max(r.h, 1)) + (row - r.y);
      return {CellHit::Kind::Control, c->id, k < static_cast<int>(c->items.size()) ? k : -1};
    }
    int top = drawn_row(*c, r);
    int width = r.w;
    if (c->control == CTL_AUTOCHECKBOX) width = std::max(r.w, 4 + static_cast<int>(decode_text(strip_accelerator(c->text)).size()));
    if (col >= r.x && col < r.x + width && row >= top && row < top + rows) return {CellHit::Kind::Control, c->id, -1};
  }
  return hit;
}

std::string render_screen_text(WindowSystem& ws) {
  std::string out;
  for (HWND h : ws.z_order()) {
    Window* w = ws.find(h);
    if (w == nullptr || !w->visible || w->kind == WindowKind::Frame) continue;
    if (!out.empty()) out += '\n';
    out += render_window(ws, h).to_string();
  }
  return out;
}

}  // namespace orv
