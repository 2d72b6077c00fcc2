// The host's own modal windows: the message box (a text and an OK button; Enter, Space, Esc or the
// close box dismiss it) and the text viewer (a file's lines, scrolled with the arrow and page keys,
// searched with "/text", closed with q, Esc, Enter or the close box). Both run modally, pumping input
// until they end; when the input ends they close at once, so that nothing waits for nobody.
#pragma once
#include <string>

#include "orvantis/win_types.h"

namespace orv {

/// Control id of a message box's text.
constexpr int kMessageTextId = 0xFFFF;

/// Shows a message box owned by `owner` and returns IDOK once it has been dismissed.
int run_message_box(const std::string& text, const std::string& caption, HWND owner);

/// Shows the text file in the viewer until it is closed. A viewer's Window::cx and cy hold the
/// columns and rows of its page (80 x 20 until a front end sets them).
void run_text_viewer(const std::string& path);

}  // namespace orv
