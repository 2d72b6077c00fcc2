// Decoding the terminal's mouse reports and control sequences into keys.
#include "frontend/terminal_sequences.h"

#include <charconv>

namespace orv::frontend {

namespace {

// The bits of a report's button code.
constexpr int kButtonBits = 3;    // 0 left, 1 middle, 2 right, 3 released (older form)
constexpr int kMotionBit = 32;    // the pointer moved with the button held
constexpr int kWheelBit = 64;     // the wheel: button 0 up, 1 down
constexpr int kReleasedButton = 3;
constexpr int kMaxCoordinate = 100000;  // far beyond any terminal; guards the sums below

}  // namespace

// 1002: presses, releases and motion while a button is held; 1006: the SGR form, which has no
// limit of 223 columns and tells which button was released.
const char* const kMouseReportsOn = "\033[?1002h\033[?1006h";
const char* const kMouseReportsOff = "\033[?1006l\033[?1002l";

Key mouse_report_key(int button, int col, int row, bool released) {
  Key k;
  if (col < 1 || row < 1 || col > kMaxCoordinate || row > kMaxCoordinate || button < 0) return k;
  k.x = col - 1;
  k.y = row - 1;
  const int which = button & kButtonBits;
  if (button & kWheelBit) {
    if (released || which > 1) return Key{};
    k.type = Key::Wheel;
    k.ch = which == 0 ? 1 : -1;
  } else if (button & kMotionBit) {
    k.type = which == 0 ? Key::Drag : Key::None;  // motion with another button, or with none
  } else if (released || which == kReleasedButton) {
    k.type = which == 0 || which == kReleasedButton ? Key::Release : Key::None;
  } else {
    k.type = which == 0 ? Key::Click : Key::None;  // the middle and right buttons mean nothing here
  }
  return k;
}

bool decode_sgr_mouse(const std::string& params, char final_char, Key& key) {
  if (final_char != 'M' && final_char != 'm') return false;
  int v[3] = {0, 0, 0};
  const char* p = params.data();
  const char* end = p + params.size();
  for (int i = 0; i < 3; ++i) {
    auto r = std::from_chars(p, end, v[i]);
    if (r.ec != std::errc() || r.ptr == p) return false;
    p = r.ptr;
    if (i < 2) {
      if (p == end || *p != ';') return false;
      ++p;
    }
  }
  if (p != end) return false;
  key = mouse_report_key(v[0], v[1], v[2], final_char == 'm');
  return true;
}

Key csi_key(const std::string& params, char final_char) {
  Key k;
  // Of the modifiers ("1;5A" for Ctrl+Up) only Shift ("1;2D") is told apart, on the keys that move
  // an edit's caret, where it extends the selection; otherwise the key itself is what counts here.
  const std::string first = params.substr(0, params.find(';'));
  const bool shift = params.size() > 2 && params.compare(params.size() - 2, 2, ";2") == 0;
  switch (final_char) {
    case 'A': k.type = Key::Up; return k;
    case 'B': k.type = Key::Down; return k;
    case 'C': k.type = shift ? Key::ShiftRight : Key::Right; return k;
    case 'D': k.type = shift ? Key::ShiftLeft : Key::Left; return k;
    case 'H': k.type = shift ? Key::ShiftHome : Key::Home; return k;
    case 'F': k.type = shift ? Key::ShiftEnd : Key::End; return k;
    case 'Z': k.type = Key::BackTab; return k;
    case '~': break;
    default: return k;
  }
  if (first == "1" || first == "7") k.type = Key::Home;
  else if (first == "4" || first == "8") k.type = Key::End;
  else if (first == "3") k.type = Key::Delete;
  else if (first == "5") k.type = Key::PageUp;
  else if (first == "6") k.type = Key::PageDown;
  return k;
}

}  // namespace orv::frontend
