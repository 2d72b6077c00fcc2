// The host's line reading on its own, without the rest of the host: freadln is built on it, and
// kuvra-check reads equation files with it, so both see exactly the lines the Zlink is given.
// Plain C stdio only; it links without OpenCASCADE or the window system.
#pragma once
#include <cstdio>

namespace orv {

/// What reading one line lost besides its terminator.
struct LineLoss {
  bool cut = false;  // the line was longer than the limit; only its first `limit` characters came
  bool nul = false;  // the line held a NUL byte, so any C text of it ends there
};

/// Reads the next line into `buffer` (limit + 1 bytes) without its line feed; a carriage return just
/// before the line feed (or at the end of the file) is dropped, and a line over `limit` characters
/// gives its first `limit` while the rest of that line is skipped. Returns 1 when a line was read, 0
/// at the end of the file or on a read error. `loss`, when given, tells what the line lost.
int read_line(char* buffer, int limit, std::FILE* file, LineLoss* loss);

}  // namespace orv
