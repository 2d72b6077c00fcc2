// The host's line rules in one place; see line_reading.h.
#include "core/line_reading.h"

namespace orv {

int read_line(char* buffer, int limit, std::FILE* file, LineLoss* loss) {
  if (loss != nullptr) *loss = LineLoss{};
  if (buffer == nullptr || file == nullptr || limit < 0) return 0;
  int len = 0;
  bool any = false;
  bool pending_cr = false;  // a carriage return held back until we know whether a line feed follows
  auto put = [&](char ch) {
    if (len < limit) {
      buffer[len++] = ch;
      if (ch == '\0' && loss != nullptr) loss->nul = true;
    } else if (loss != nullptr) {
      loss->cut = true;
    }
  };
  for (;;) {
    int ch = std::getc(file);
    if (ch == EOF) break;
    any = true;
    if (ch == '\n') {
      pending_cr = false;
      break;
    }
    if (pending_cr) put('\r');
    pending_cr = (ch == '\r');
    if (!pending_cr) put(static_cast<char>(ch));
  }
  // A carriage return at the very end of the file ends the line like "\r\n" would.
  buffer[len] = '\0';
  if (std::ferror(file)) return 0;
  return any ? 1 : 0;
}

}  // namespace orv
