// The mouse as a terminal reports it once button-event tracking is on: a press, the motion while a
// button is held, the release and the wheel, in the SGR form ("ESC [ < b ; col ; row M", "m" for a
// release) or the older one ("ESC [ M" and three bytes). Decoded here, apart from curses, so that
// every terminal type reads the mouse the same way.
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

}  // namespace orv::frontend
