// The part file on disk: reading streams the file through the part file reader, saving streams the
// database through the committing stream, so neither holds the whole text. Only regular files are
// read or replaced, and they are opened so that a FIFO or device put in their place cannot block or
// feed the reader for ever.
#include "core/part_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <streambuf>

#include "core/file_services.h"
#include "core/part_file_stream.h"

namespace orv {
namespace {

// The bytes of an open file, read a block at a time. A read error ends the text early and is
// kept for the caller to tell, instead of the syntax error that the cut text makes.
class FileInput : public std::streambuf {
 public:
  explicit FileInput(int fd) : fd_(fd) {}
  ~FileInput() override { ::close(fd_); }
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;
  /// The errno of the read that failed; 0 when every read succeeded.
  int error() const { return error_; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
      ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
      if (n > 0) {
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(buffer_[0]);
      }
      if (n == 0) return traits_type::eof();
      if (errno == EINTR) continue;
      error_ = errno;
      return traits_type::eof();
    }
  }

 private:
  int fd_;
  int error_ = 0;
  char buffer_[1 << 16];
};

// A text in memory, read in place.
class TextInput : public std::streambuf {
 public:
  explicit TextInput(const std::string& text) {
    char* begin = const_cast<char*>(text.data());  // only ever read
    setg(begin, begin, begin + text.size());
  }
};

// Reads the part file at `path`; `out` null only checks it. `missing` tells whether nothing was
// there (then `err` is a "cannot read" message and nothing else happened).
bool read_part_file(const std::string& path, GeometryDatabase* out, std::string& err, bool& missing) {
  missing = false;
  int fd = open_regular_file(path, err);
  if (fd < 0) {
    missing = errno == ENOENT;
    return false;
  }
  FileInput in(fd);
  std::string what;
  bool ok = part_file::read_part_text(in, out, what);
  if (in.error() != 0) {
    err = path + ": cannot read: " + std::strerror(in.error());
    return false;
  }
  if (!ok) err = path + ": not a part file: " + what;
  return ok;
}

}  // namespace

std::string part_file_text(const GeometryDatabase& db) {
  std::string text;
  if (!part_file::unwritable(db).empty()) return text;
  part_file::write_part_text(db, [&](const char* data, std::size_t size) {
    text.append(data, size);
    return true;
  });
  return text;
}

bool parse_part_file(const std::string& text, GeometryDatabase& out, std::string& what) {
  TextInput in(text);
  return part_file::read_part_text(in, &out, what);
}

bool load_part_file(const std::string& path, GeometryDatabase& db, std::string& err) {
  bool missing = false;
  return read_part_file(path, &db, err, missing);
}

bool save_part_file(const std::string& path, const GeometryDatabase& db, std::string& err,
                    bool replace_any) {
  if (!regular_or_absent(path, err)) {
    err += " (left as it is)";
    return false;
  }
  if (!replace_any) {
    // The file there must be a part file; it is only checked, never held.
    bool missing = false;
    if (!read_part_file(path, nullptr, err, missing) && !missing) {
      err += " (left as it is)";
      return false;
    }
  }
  // Checked before the stream opens: once open, closing it commits what it holds.
  std::string what = part_file::unwritable(db);
  if (!what.empty()) {
    err = path + ": cannot write: " + what;
    return false;
  }
  FILE* f = open_committing_stream(path);
  if (f == nullptr) {
    err = path + ": cannot write: " + std::strerror(errno);
    return false;
  }
  int write_error = 0;
  bool wrote = part_file::write_part_text(db, [&](const char* data, std::size_t size) {
    if (std::fwrite(data, 1, size, f) == size) return true;
    write_error = errno;
    return false;
  });
  // A failed write has already made the stream drop its temporary file instead of committing it.
  if (std::fclose(f) != 0 || !wrote) {
    err = path + ": cannot write: " + std::strerror(wrote ? errno : write_error);
    return false;
  }
  return true;
}

}  // namespace orv
