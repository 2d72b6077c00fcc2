// Reads an equation file's lines the way the host delivers them to the Zlink: the line feed ends a
// line, a carriage return just before it is dropped, and a line over the limit gives its first
// `limit` characters while the rest of that line is skipped. Reads in large chunks, so a file of any
// length or content (binary, NUL bytes, no final line feed) costs one pass.
#pragma once
#include <cstdio>
#include <string>

class LineReader {
 public:
  LineReader(std::FILE* file, size_t limit) : file_(file), limit_(limit) {}

  /// The next line without its terminator; false at the end of the file or on a read error.
  bool next(std::string* line);
  /// The errno of a failed read, 0 when the file ended normally.
  int error() const { return error_; }

 private:
  bool fill();

  std::FILE* file_;
  size_t limit_;
  char buffer_[1 << 16];
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  int error_ = 0;
};
