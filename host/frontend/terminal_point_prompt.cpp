// The point prompt's key loop, and points as text in the C locale's form whatever the user's.
#include "frontend/terminal_point_prompt.h"

#include <algorithm>
#include <charconv>
#include "frontend/terminal_line_edit.h"
#include "platform/number_text.h"

namespace orv::frontend {

bool parse_point(const std::string& text, std::array<double, 3>& point) {
  std::string t = text;
  for (char& c : t) {
    if (c == ',' || c == ';' || c == '\t') c = ' ';
  }
  std::array<double, 3> v{};
  int count = 0;
  for (std::size_t at = t.find_first_not_of(' '); at != std::string::npos; at = t.find_first_not_of(' ', at)) {
    std::size_t end = std::min(t.find(' ', at), t.size());
    if (count == 3 || !parse_real(t.substr(at, end - at), v[count])) return false;
    ++count;
    at = end;
  }
  if (count != 3) return false;
  point = v;
  return true;
}

std::string format_point(const std::array<double, 3>& point) {
  constexpr int kDigits = 10;  // as "%.10g", but with a "." whatever the locale
  std::string out;
  for (int i = 0; i < 3; ++i) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, point[i], std::chars_format::general, kDigits);
    if (i) out += ", ";
    out.append(buf, r.ec == std::errc() ? r.ptr : buf);
  }
  return out;
}

bool point_prompt(PromptContext& ctx, const std::string& prompt, std::array<double, 3>& point) {
  TerminalScreen& s = ctx.screen;
  LineEdit field(format_point(point));
  std::string note;
  for (;;) {
    ctx.backdrop();
    Box b = draw_box(s, prompt.empty() ? "Pick a point" : prompt, 48, 8,
                     "type x, y, z \u00b7 Enter picks \u00b7 Esc abandons");
    int normal = s.role(Role::Normal), dim = s.role(Role::Dim);
    s.put(b.x + 2, b.y + 2, "Point  x, y, z", normal);
    field.draw(s, b.x + 2, b.y + 3, b.w - 4, true);
    if (!note.empty()) s.put(b.x + 2, b.y + 4, note, s.role(Role::Accent), b.w - 4);
    s.put(b.x + 2, b.y + b.h - 2, "Enter picks \u00b7 Esc abandons", dim, b.w - 4);
    s.flush();
    Key k = s.read_key();
    switch (k.type) {
      case Key::Eof:
      case Key::Quit:
      case Key::Esc: return false;
      case Key::Click:
        if (k.y == b.y && k.x >= b.x + b.w - 4) return false;
        break;
      case Key::Enter: {
        std::array<double, 3> p;
        if (parse_point(field.value(), p)) {
          point = p;
          return true;
        }
        note = "Three numbers, as in 1, 2.5, -3";
        break;
      }
      default:
        if (field.apply(k)) note.clear();
        break;
    }
  }
}

}  // namespace orv::frontend
