// Line reading with the host's rules; see line_reader.h.
#include "line_reader.h"

#include <cerrno>
#include <algorithm>
#include <cstring>

bool LineReader::fill() {
  if (eof_) return false;
  errno = 0;
  end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
  pos_ = 0;
  if (end_ == 0) {
    eof_ = true;
    if (std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

bool LineReader::next(std::string* line) {
  line->clear();
  bool any = false;         // a byte of this line was seen
  bool ends_in_cr = false;  // the last character seen is a carriage return
  bool feed_ended = false;  // the line ended with a line feed, not with the end of the file
  size_t length = 0;        // characters of the line, carriage return included
  for (;;) {
    if (pos_ == end_ && !fill()) break;
    const char* start = buffer_ + pos_;
    const char* feed = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
    size_t n = feed ? static_cast<size_t>(feed - start) : end_ - pos_;
    if (n > 0) {
      any = true;
      // Keep one character beyond the limit, so that a carriage return in that place can still be
      // told apart from a line that is too long.
      if (line->size() <= limit_) line->append(start, std::min(n, limit_ + 1 - line->size()));
      length += n;
      ends_in_cr = start[n - 1] == '\r';
    }
    pos_ += n;
    if (feed) {
      ++pos_;
      any = true;
      feed_ended = true;
      break;
    }
  }
  if (!any) return false;
  if (feed_ended && ends_in_cr) --length;  // CR LF ends a line like LF
  if (length < line->size()) line->resize(length);
  if (line->size() > limit_) line->resize(limit_);
  return true;
}
