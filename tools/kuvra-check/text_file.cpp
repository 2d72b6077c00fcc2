// Opening text files; see text_file.h. Standard input cannot be read twice, so what was read from a
// pipe to decide is handed out again first, through a stdio stream of our own (fopencookie).
#include "text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Length of the valid UTF-8 sequence at `s` (of `n` bytes), 0 when there is none.
size_t utf8_length(const unsigned char* s, size_t n) {
  unsigned char c = s[0];
  size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (length == 0 || length > n) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((s[k] & 0xC0) != 0x80) return 0;
  return length;
}

// Standard input with the bytes already taken from it put back in front.
struct Replay {
  std::vector<unsigned char> head;
  size_t pos = 0;
  int fd = 0;
};

ssize_t replay_read(void* cookie, char* buffer, size_t size) {
  auto* r = static_cast<Replay*>(cookie);
  if (r->pos < r->head.size()) {
    size_t n = std::min(size, r->head.size() - r->pos);
    std::memcpy(buffer, r->head.data() + r->pos, n);
    r->pos += n;
    return static_cast<ssize_t>(n);
  }
  for (;;) {
    ssize_t n = ::read(r->fd, buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

int replay_close(void* cookie) {
  delete static_cast<Replay*>(cookie);
  return 0;
}

// Reads up to `size` bytes from `fd` at its current position.
ssize_t read_some(int fd, unsigned char* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, buffer + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

bool looks_like_text(const unsigned char* data, size_t size) {
  size_t unprintable = 0;
  for (size_t i = 0; i < size;) {
    unsigned char c = data[i];
    if (c == 0) return false;
    if (c >= 0x80) {
      size_t length = utf8_length(data + i, size - i);
      // A sequence cut by the end of the block is not held against the file.
      if (length == 0 && size - i >= 4) ++unprintable;
      i += length > 0 ? length : 1;
      continue;
    }
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') || c == 0x7F) ++unprintable;
    ++i;
  }
  return static_cast<double>(unprintable) <= text_max_unprintable_share * static_cast<double>(size);
}

std::FILE* open_text_file(const char* path, std::string* error) {
  const bool from_stdin = std::strcmp(path, "-") == 0;
  int fd = from_stdin ? STDIN_FILENO : ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  auto fail = [&](std::string why) -> std::FILE* {
    *error = std::move(why);
    if (!from_stdin) ::close(fd);
    return nullptr;
  };
  struct stat info;
  if (::fstat(fd, &info) != 0) return fail(std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return fail("is a directory, not an equation file");
  std::vector<unsigned char> head(text_sniff_size);
  if (S_ISREG(info.st_mode)) {
    off_t at = from_stdin ? ::lseek(fd, 0, SEEK_CUR) : 0;
    ssize_t n;
    do n = ::pread(fd, head.data(), head.size(), at < 0 ? 0 : at);
    while (n < 0 && errno == EINTR);
    if (n < 0) return fail(std::strerror(errno));
    if (!looks_like_text(head.data(), static_cast<size_t>(n))) return fail("not a text file");
    if (!from_stdin) {
      int flags = ::fcntl(fd, F_GETFL);
      if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    std::FILE* file = from_stdin ? stdin : ::fdopen(fd, "rb");
    if (file == nullptr) return fail(std::strerror(errno));
    return file;
  }
  if (!from_stdin) return fail("not a regular file");
  // Standard input from a pipe or a terminal: decide on what comes first, then read on.
  ssize_t n = read_some(fd, head.data(), head.size());
  if (n < 0) return fail(std::strerror(errno));
  head.resize(static_cast<size_t>(n));
  if (!looks_like_text(head.data(), head.size())) return fail("not a text file");
  auto* replay = new Replay{std::move(head), 0, fd};
  cookie_io_functions_t io{replay_read, nullptr, nullptr, replay_close};
  std::FILE* file = ::fopencookie(replay, "r", io);
  if (file == nullptr) {
    delete replay;
    return fail(std::strerror(errno));
  }
  return file;
}
