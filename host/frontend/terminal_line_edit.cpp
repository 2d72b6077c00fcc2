// The line editor of the terminal's prompts.
#include "frontend/terminal_line_edit.h"

#include <algorithm>
#include "platform/cell_render.h"

namespace orv::frontend {

namespace {

std::u32string to_u32(const std::string& s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
    for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += n;
  }
  return out;
}

std::string to_utf8(const std::u32string& s) {
  std::string out;
  for (char32_t cp : s) append_utf8(cp, out);
  return out;
}

}  // namespace

LineEdit::LineEdit(const std::string& t) : text(to_u32(t)), caret(static_cast<int>(text.size())), selected(true) {}

std::string LineEdit::value() const { return to_utf8(text); }

void LineEdit::set(const std::string& t) {
  text = to_u32(t);
  caret = static_cast<int>(text.size());
  selected = false;
}

bool LineEdit::apply(const Key& k) {
  auto drop_selection = [this] {
    if (selected) {
      text.clear();
      caret = 0;
      selected = false;
    }
  };
  switch (k.type) {
    case Key::Char:
    case Key::Space:
      drop_selection();
      text.insert(text.begin() + caret, static_cast<char32_t>(k.ch));
      ++caret;
      return true;
    case Key::Backspace:
      if (selected) {
        drop_selection();
      } else if (caret > 0) {
        text.erase(text.begin() + --caret);
      }
      return true;
    case Key::Delete:
      if (selected) {
        drop_selection();
      } else if (caret < static_cast<int>(text.size())) {
        text.erase(text.begin() + caret);
      }
      return true;
    case Key::Left: selected = false; caret = std::max(0, caret - 1); return true;
    case Key::Right: selected = false; caret = std::min(static_cast<int>(text.size()), caret + 1); return true;
    case Key::Home: selected = false; caret = 0; return true;
    case Key::End: selected = false; caret = static_cast<int>(text.size()); return true;
    default: return false;
  }
}

void LineEdit::draw(TerminalScreen& s, int x, int y, int w, bool focused) const {
  int attr = s.role(focused ? Role::FieldFocus : Role::Field);
  s.fill(x, y, w, 1, attr);
  if (w <= 0) return;  // a terminal narrower than the prompt leaves no room for the field
  int first = std::max(0, caret - (w - 1));
  std::u32string shown = text.substr(first, w);
  s.put(x, y, to_utf8(shown), focused && selected ? s.role(Role::Selected) : attr, w);
  if (focused) s.caret(x + caret - first, y);
}

}  // namespace orv::frontend
