// The terminal itself, through ncurses: opening and restoring it, keys and the mouse as one
// event type, colour pairs for the host's colour numbers, and handing the terminal to another
// program (the editor) and taking it back. Everything the terminal front end draws goes through
// here, so the rest of it never touches curses state directly.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "interaction/key.h"

namespace orv::frontend {

/// The terminal's keys are the interaction's keys.
using interaction::Key;

/// Colour roles of the front end's own furniture (frames, captions, buttons, fields).
enum class Role { Normal, Frame, Caption, CaptionActive, Button, ButtonFocus, Field, FieldFocus, Selected, Dim, Status, Accent };

/// The least terminal the dialogs can be drawn on, in cells.
constexpr int kMinCols = 60;
constexpr int kMinRows = 18;

class TerminalScreen {
 public:
  TerminalScreen() = default;
  ~TerminalScreen();
  TerminalScreen(const TerminalScreen&) = delete;
  TerminalScreen& operator=(const TerminalScreen&) = delete;

  /// Takes over the terminal. False with a message when standard input/output is not a terminal,
  /// curses cannot start, the terminal cannot place text (TERM=dumb) or is smaller than
  /// kMinCols x kMinRows; the terminal is then left as it was.
  bool open(std::string& err);
  /// Gives the terminal back as it was.
  void close();
  bool is_open() const { return open_; }

  int cols() const;
  int rows() const;

  /// The next key or click; `timeout_ms` < 0 waits.
  Key read_key(int timeout_ms = -1);
  /// True once Ctrl+C was read, or a stop signal came while waiting for a key: the input is over,
  /// whichever prompt saw it first.
  bool quit_requested() const { return quit_; }
  /// Forgets a Ctrl+C that only stopped a plot.
  void forget_quit() { quit_ = false; }

  /// Curses attributes for a host colour number on the graphics window's background colour.
  int color_attr(uint8_t fg, uint8_t bg);
  /// Curses attributes of a role.
  int role(Role r);
  /// The underline attribute (accelerator letters).
  int underline() const;

  // Drawing on the whole screen, clipped to it; texts are UTF-8, one cell a character.
  void erase();
  /// Writes `text` at (x, y), at most `max_cells` cells (-1: to the edge).
  void put(int x, int y, const std::string& text, int attr, int max_cells = -1);
  void fill(int x, int y, int w, int h, int attr);
  /// A box-drawn frame round (x, y, w, h).
  void frame(int x, int y, int w, int h, int attr);
  /// Shows the caret at (x, y), or hides it (x < 0).
  void caret(int x, int y);
  /// Puts what was drawn on the terminal.
  void flush();

  /// Hands the terminal to another program for the length of `run`, then restores the screen.
  template <typename F>
  void handed_over(F run) {
    suspend();
    run();
    resume();
  }
  void suspend();
  void resume();

 private:
  int pair_for(int fg, int bg);
  /// Reads what follows "ESC [" (a key curses did not decode, or a mouse report) into `k`, None
  /// when it means nothing here; false, with nothing taken, when nothing follows (Alt+[).
  bool read_control_sequence(Key& k);
  void* screen_ = nullptr;  // the curses SCREEN
  bool open_ = false;
  bool quit_ = false;
  bool colors_ = false;
  bool many_colors_ = false;
  std::map<int, int> pairs_;  // fg * 1024 + bg -> pair number
  int next_pair_ = 1;
  int caret_x_ = -1, caret_y_ = -1;
};

/// The number of cells of a UTF-8 text (one a code point).
int text_cells(const std::string& text);
/// The first `cells` cells of a UTF-8 text.
std::string text_prefix(const std::string& text, int cells);

}  // namespace orv::frontend
