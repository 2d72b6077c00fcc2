// The input sequences read apart from curses: the mouse as a terminal reports it once button-event
// tracking is on (press, motion while held, release, wheel; in the SGR form "ESC [ < b ; col ; row
// M", "m" for a release, or the older "ESC [ M" and three bytes), and the editing keys of a control
// sequence the terminal description does not name (as "ESC [ 4 ~" for End), so that none of them
// ever arrives as typed text.
#pragma once
#include <string>
#include "frontend/terminal_screen.h"

namespace orv::frontend {

/// The sequences that turn the reports on (button presses, motion while held, SGR form) and off.
extern const char* const kMouseReportsOn;
extern const char* const kMouseReportsOff;

/// The key a report means: a left press is a Click, motion with the left button held a Drag, a
/// release a Release, the wheel a Wheel (ch 1 up, -1 down); at (col, row) counted from 1 as the
/// terminal does, made cells from 0. Other buttons and plain motion are None.
Key mouse_report_key(int button, int col, int row, bool released);

/// Decodes the rest of an SGR report after "ESC [ <": "b;col;row" and its final "M" or "m".
/// False when the text is not such a report.
bool decode_sgr_mouse(const std::string& params, char final_char, Key& key);

/// The key of a control sequence "ESC [ params final" that is not a mouse report: the arrows,
/// Home, End, Delete and the page keys; None for any other (it is swallowed whole).
Key csi_key(const std::string& params, char final_char);

}  // namespace orv::frontend
