// ncurses behind the terminal front end: wide-character input, Alt as an Esc prefix, clicks, and
// colour pairs allocated as they are first needed (256-colour terminals show the host palette as
// it is; eight-colour ones its nearest colours).
#include "frontend/terminal_screen.h"

#include <cstring>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>
#include "core/stop_request.h"
#include "frontend/terminal_sequences.h"
#include "view/palette.h"

#define NCURSES_NOMACROS
#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace orv::frontend {

TerminalScreen::~TerminalScreen() { close(); }

bool TerminalScreen::open(std::string& err) {
  if (open_) return true;
  if (!::isatty(0) || !::isatty(1)) {
    err = "the terminal front end needs a terminal (use --script for headless runs)";
    return false;
  }
  // Only the character set follows the user's locale (curses draws UTF-8 with it); numbers keep
  // the C locale's "." everywhere in the process.
  std::setlocale(LC_CTYPE, "");
  // newterm, unlike initscr, reports an unknown terminal instead of ending the process.
  screen_ = ::newterm(nullptr, stdout, stdin);
  if (screen_ == nullptr) {
    const char* term = std::getenv("TERM");
    err = std::string("the terminal \"") + (term ? term : "") + "\" is not known to curses";
    return false;
  }
  ::set_term(static_cast<SCREEN*>(screen_));
  open_ = true;
  // A terminal that cannot place text (TERM=dumb) or is too small for the dialogs would show a
  // blank or garbled screen: refused with one line instead.
  const char* cup = ::tigetstr("cup");
  const char* term = std::getenv("TERM");
  if (cup == nullptr || cup == reinterpret_cast<const char*>(-1)) {
    close();
    err = std::string("TERM=") + (term ? term : "") +
          " cannot place text on the screen; use a terminal such as xterm, or --script or plot";
    return false;
  }
  if (COLS < kMinCols || LINES < kMinRows) {
    const int cols = COLS, rows = LINES;
    close();
    err = "it is " + std::to_string(cols) + " x " + std::to_string(rows) + " cells; the dialogs need at least " +
          std::to_string(kMinCols) + " x " + std::to_string(kMinRows);
    return false;
  }
  ::raw();
  ::noecho();
  ::nonl();
  ::keypad(stdscr, TRUE);
  ::set_escdelay(25);
  ::curs_set(0);
  // The mouse is read here rather than by curses, which knows only the report form its terminal
  // description names and no drag: its key for the reports is turned off.
  ::keyok(KEY_MOUSE, FALSE);
  ::putp(kMouseReportsOn);
  if (::has_colors()) {
    ::start_color();
    ::use_default_colors();
    colors_ = true;
    many_colors_ = COLORS >= 256 && COLOR_PAIRS >= 64;
  }
  return true;
}

void TerminalScreen::close() {
  if (!open_) return;
  ::putp(kMouseReportsOff);
  ::endwin();
  ::delscreen(static_cast<SCREEN*>(screen_));
  screen_ = nullptr;
  open_ = false;
  pairs_.clear();
  next_pair_ = 1;
}

int TerminalScreen::cols() const { return open_ ? COLS : 80; }
int TerminalScreen::rows() const { return open_ ? LINES : 24; }

Key TerminalScreen::read_key(int timeout_ms) {
  Key k;
  if (!open_) {
    k.type = Key::Eof;
    return k;
  }
  ::wtimeout(stdscr, timeout_ms);
  wint_t c = 0;
  int r;
  do {
    errno = 0;
    r = ::wget_wch(stdscr, &c);
  } while (r == ERR && errno == EINTR && stop_signal() == 0);  // only a stop signal ends the wait
  if (r == ERR && stop_signal() != 0) {
    k.type = Key::Quit;
    quit_ = true;
    return k;
  }
  if (r == ERR) {
    // A closed terminal keeps failing at once; a quiet one only when a timeout was asked for.
    k.type = timeout_ms < 0 ? Key::Eof : Key::None;
    return k;
  }
  if (r == KEY_CODE_YES) {
    switch (c) {
      case KEY_UP: k.type = Key::Up; break;
      case KEY_DOWN: k.type = Key::Down; break;
      case KEY_LEFT: k.type = Key::Left; break;
      case KEY_RIGHT: k.type = Key::Right; break;
      case KEY_HOME: k.type = Key::Home; break;
      case KEY_END: k.type = Key::End; break;
      case KEY_PPAGE: k.type = Key::PageUp; break;
      case KEY_NPAGE: k.type = Key::PageDown; break;
      case KEY_BACKSPACE: k.type = Key::Backspace; break;
      case KEY_DC: k.type = Key::Delete; break;
      case KEY_BTAB: k.type = Key::BackTab; break;
      case KEY_SLEFT: k.type = Key::ShiftLeft; break;
      case KEY_SRIGHT: k.type = Key::ShiftRight; break;
      case KEY_SHOME: k.type = Key::ShiftHome; break;
      case KEY_SEND: k.type = Key::ShiftEnd; break;
      case KEY_ENTER: k.type = Key::Enter; break;
      case KEY_RESIZE: k.type = Key::Resize; break;
      default:
        if (const char* name = ::keyname(static_cast<int>(c)); name && std::strcmp(name, "kDN3") == 0) {
          k.type = Key::AltDown;  // xterm's Alt+Down
        } else if (c >= KEY_F(1) && c <= KEY_F(12)) {
          k.type = Key::Function;
          k.ch = static_cast<int>(c) - KEY_F(0);
        }
        break;
    }
    return k;
  }
  switch (c) {
    case '\t': k.type = Key::Tab; return k;
    case '\r':
    case '\n': k.type = Key::Enter; return k;
    case 127:
    case 8: k.type = Key::Backspace; return k;
    case ' ': k.type = Key::Space; k.ch = ' '; return k;
    case 1: k.type = Key::CtrlA; return k;
    case 3:  // Ctrl+C: raw mode turns it into a key
      k.type = Key::Quit;
      quit_ = true;
      return k;
    case 26:  // Ctrl+Z: raw mode keeps it from suspending the host; it undoes
      k.type = Key::Ctrl;
      k.ch = 'z';
      return k;
    case 27: {
      // Esc alone, or the prefix of Alt plus a key.
      ::wtimeout(stdscr, 40);
      wint_t next = 0;
      int r2 = ::wget_wch(stdscr, &next);
      if (r2 == OK && next == '[') {
        if (read_control_sequence(k)) return k;
        k.type = Key::Alt;  // Alt+[ alone
        k.ch = '[';
        return k;
      }
      if (r2 == KEY_CODE_YES && next == KEY_DOWN) {
        k.type = Key::AltDown;  // Alt sent as an Esc prefix before Down
      } else if (r2 == OK && next > ' ' && next < 127) {
        k.type = Key::Alt;
        k.ch = (next >= 'A' && next <= 'Z') ? static_cast<int>(next - 'A' + 'a') : static_cast<int>(next);
      } else {
        // Esc alone; what came after it (another Esc, an arrow key) is the next key.
        if (r2 == OK) ::unget_wch(static_cast<wchar_t>(next));
        if (r2 == KEY_CODE_YES) ::ungetch(static_cast<int>(next));
        k.type = Key::Esc;
      }
      return k;
    }
    default: break;
  }
  if (c >= ' ') {
    k.type = Key::Char;
    k.ch = static_cast<int>(c);
  }
  return k;
}

bool TerminalScreen::read_control_sequence(Key& k) {
  // After "ESC [": a control sequence the terminal description does not name, a mouse report in
  // the SGR form ("<" ...) or "M" and three bytes of the older form. Its bytes arrive together, so
  // a short wait tells it from Alt+[ typed alone.
  constexpr int kSequenceWaitMs = 40;
  constexpr std::size_t kMaxSequence = 32;  // far longer than any key or mouse report
  ::wtimeout(stdscr, kSequenceWaitMs);
  wint_t c = 0;
  const int r = ::wget_wch(stdscr, &c);
  if (r == KEY_CODE_YES) ::ungetch(static_cast<int>(c));  // a key of its own, after Alt+[
  if (r != OK) return false;
  k = Key{};
  if (c == 'M') {
    int v[3];
    for (int& b : v) {
      if (::wget_wch(stdscr, &c) != OK) return true;  // a report cut short: nothing
      b = static_cast<int>(c) - 32;                    // each byte is the number plus 32
    }
    k = mouse_report_key(v[0], v[1], v[2], false);
    return true;
  }
  // Parameter and intermediate bytes (0x20-0x3F), then the final one (0x40-0x7E).
  std::string params;
  while (c >= 0x20 && c <= 0x3F && params.size() < kMaxSequence) {
    params += static_cast<char>(c);
    if (::wget_wch(stdscr, &c) != OK) return true;  // cut short: nothing
  }
  if (c < 0x40 || c > 0x7E) return true;  // not a control sequence's end: dropped with it
  if (!params.empty() && params[0] == '<') {
    if (!decode_sgr_mouse(params.substr(1), static_cast<char>(c), k)) k = Key{};
  } else {
    k = csi_key(params, static_cast<char>(c));
  }
  return true;
}

int TerminalScreen::pair_for(int fg, int bg) {
  int key = (fg + 1) * 1024 + (bg + 1);
  auto it = pairs_.find(key);
  if (it != pairs_.end()) return it->second;
  if (next_pair_ >= COLOR_PAIRS || next_pair_ > 32767) return 0;
  int n = next_pair_++;
  ::init_pair(static_cast<short>(n), static_cast<short>(fg), static_cast<short>(bg));
  pairs_[key] = n;
  return n;
}

int TerminalScreen::color_attr(uint8_t fg, uint8_t bg) {
  if (!open_ || !colors_) return 0;
  if (many_colors_) {
    return static_cast<int>(COLOR_PAIR(pair_for(view::terminal_color_256(fg), view::terminal_color_256(bg))));
  }
  bool bright = false;
  int f = view::terminal_color_8(fg, &bright), b = view::terminal_color_8(bg);
  if (f == b) f = b == 0 ? 7 : 0;  // never invisible on eight colours
  return static_cast<int>(COLOR_PAIR(pair_for(f, b))) | (bright ? A_BOLD : 0);
}

int TerminalScreen::role(Role r) {
  if (!open_) return 0;
  if (!colors_) {
    switch (r) {
      case Role::CaptionActive:
      case Role::ButtonFocus:
      case Role::Selected: return A_REVERSE;
      case Role::Caption:
      case Role::Status: return A_REVERSE | A_DIM;
      case Role::Field:
      case Role::FieldFocus: return A_UNDERLINE;
      case Role::Dim: return A_DIM;
      case Role::Accent: return A_BOLD;
      default: return 0;
    }
  }
  if (many_colors_) {
    switch (r) {
      case Role::Normal: return static_cast<int>(COLOR_PAIR(pair_for(235, 252)));
      case Role::Frame: return static_cast<int>(COLOR_PAIR(pair_for(243, 252)));
      case Role::Caption: return static_cast<int>(COLOR_PAIR(pair_for(252, 243)));
      case Role::CaptionActive: return static_cast<int>(COLOR_PAIR(pair_for(231, 25))) | A_BOLD;
      case Role::Button: return static_cast<int>(COLOR_PAIR(pair_for(235, 249)));
      case Role::ButtonFocus: return static_cast<int>(COLOR_PAIR(pair_for(231, 31))) | A_BOLD;
      case Role::Field: return static_cast<int>(COLOR_PAIR(pair_for(235, 255)));
      case Role::FieldFocus: return static_cast<int>(COLOR_PAIR(pair_for(235, 229)));
      case Role::Selected: return static_cast<int>(COLOR_PAIR(pair_for(231, 25)));
      case Role::Dim: return static_cast<int>(COLOR_PAIR(pair_for(245, 252)));
      case Role::Status: return static_cast<int>(COLOR_PAIR(pair_for(252, 237)));
      case Role::Accent: return static_cast<int>(COLOR_PAIR(pair_for(25, 252))) | A_BOLD;
    }
  }
  switch (r) {
    case Role::Normal: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLACK, COLOR_WHITE)));
    case Role::Frame: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLACK, COLOR_WHITE)));
    case Role::Caption: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_WHITE, COLOR_BLACK)));
    case Role::CaptionActive: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_WHITE, COLOR_BLUE))) | A_BOLD;
    case Role::Button: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLACK, COLOR_WHITE))) | A_REVERSE | A_DIM;
    case Role::ButtonFocus: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_WHITE, COLOR_CYAN))) | A_BOLD;
    case Role::Field: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLACK, COLOR_WHITE))) | A_UNDERLINE;
    case Role::FieldFocus: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLACK, COLOR_YELLOW)));
    case Role::Selected: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_WHITE, COLOR_BLUE)));
    case Role::Dim: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLACK, COLOR_WHITE)));
    case Role::Status: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_WHITE, COLOR_BLACK)));
    case Role::Accent: return static_cast<int>(COLOR_PAIR(pair_for(COLOR_BLUE, COLOR_WHITE))) | A_BOLD;
  }
  return 0;
}

int text_cells(const std::string& text) {
  int n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::string text_prefix(const std::string& text, int cells) {
  std::size_t i = 0;
  int n = 0;
  while (i < text.size()) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (n == cells) break;
      ++n;
    }
    ++i;
  }
  return text.substr(0, i);
}

void TerminalScreen::erase() {
  if (open_) ::werase(stdscr);
  caret_x_ = caret_y_ = -1;
}

void TerminalScreen::put(int x, int y, const std::string& text, int attr, int max_cells) {
  if (!open_ || y < 0 || y >= LINES || x >= COLS) return;
  std::string t = text;
  if (x < 0) {
    int skip = -x;
    std::string head = text_prefix(t, skip);
    t = t.substr(head.size());
    x = 0;
  }
  int room = COLS - x;
  if (max_cells >= 0) room = std::min(room, max_cells);
  if (room <= 0) return;
  t = text_prefix(t, room);
  ::wattrset(stdscr, attr);
  ::mvwaddstr(stdscr, y, x, t.c_str());
  ::wattrset(stdscr, A_NORMAL);
}

void TerminalScreen::fill(int x, int y, int w, int h, int attr) {
  if (w <= 0) return;
  std::string blank(static_cast<std::size_t>(w), ' ');
  for (int r = y; r < y + h; ++r) put(x, r, blank, attr);
}

void TerminalScreen::frame(int x, int y, int w, int h, int attr) {
  if (w < 2 || h < 2) return;
  std::string top = "\u250c", bottom = "\u2514";
  for (int i = 0; i < w - 2; ++i) {
    top += "\u2500";
    bottom += "\u2500";
  }
  top += "\u2510";
  bottom += "\u2518";
  put(x, y, top, attr);
  put(x, y + h - 1, bottom, attr);
  for (int r = y + 1; r < y + h - 1; ++r) {
    put(x, r, "\u2502", attr);
    put(x + w - 1, r, "\u2502", attr);
  }
}

void TerminalScreen::caret(int x, int y) {
  caret_x_ = x;
  caret_y_ = y;
}

void TerminalScreen::flush() {
  if (!open_) return;
  if (caret_x_ >= 0 && caret_y_ >= 0 && caret_x_ < COLS && caret_y_ < LINES) {
    ::wmove(stdscr, caret_y_, caret_x_);
    ::curs_set(1);
  } else {
    ::curs_set(0);
  }
  ::wrefresh(stdscr);
}

int TerminalScreen::underline() const { return static_cast<int>(A_UNDERLINE); }

void TerminalScreen::suspend() {
  if (!open_) return;
  ::def_prog_mode();
  ::putp(kMouseReportsOff);
  ::endwin();
}

void TerminalScreen::resume() {
  if (!open_) return;
  ::reset_prog_mode();
  ::putp(kMouseReportsOn);
  ::clearok(curscr, TRUE);
  ::refresh();
}

}  // namespace orv::frontend
