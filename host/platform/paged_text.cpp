// Paging through a text file; see paged_text.h.
#include "platform/paged_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace orv {

namespace {

constexpr std::size_t kReadBytes = 1 << 16;
// The most lines shown: the viewer counts them in an int.
constexpr std::size_t kMaxLines = INT_MAX - 1;

}  // namespace

struct PagedText::File {
  int fd = -1;
  uint64_t size = 0;  // the bytes paged: the file's size when it was opened
  ~File() {
    if (fd >= 0) ::close(fd);
  }
};

PagedText::PagedText(std::vector<std::string> lines) { *this = std::move(lines); }

PagedText& PagedText::operator=(std::vector<std::string> lines) {
  held_ = std::move(lines);
  if (held_.empty()) held_.emplace_back();
  file_.reset();
  starts_.clear();
  lines_ = 0;
  cached_block_ = SIZE_MAX;
  cached_.clear();
  return *this;
}

bool PagedText::open(const std::string& path, std::string& err) {
  auto file = std::make_shared<File>();
  file->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (file->fd < 0 || ::fstat(file->fd, &st) != 0) {
    err = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    err = path + ": not a regular file";
    return false;
  }
  file->size = static_cast<uint64_t>(st.st_size);
  // One pass over the file: where every kLinesPerBlock-th line starts.
  std::vector<uint64_t> starts{0};
  std::size_t lines = 0;  // line feeds seen
  char last = '\n';
  std::vector<char> buf(kReadBytes);
  uint64_t at = 0;
  while (at < file->size && lines < kMaxLines) {
    const ssize_t n = ::pread(file->fd, buf.data(), std::min<uint64_t>(buf.size(), file->size - at),
                              static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = path + ": " + (n < 0 ? std::strerror(errno) : "became shorter while it was read");
      return false;
    }
    for (ssize_t i = 0; i < n && lines < kMaxLines; ++i) {
      last = buf[i];
      if (last != '\n') continue;
      if (++lines % kLinesPerBlock == 0) starts.push_back(at + static_cast<uint64_t>(i) + 1);
    }
    at += static_cast<uint64_t>(n);
  }
  // The last line need not end in a line feed; an empty file shows one empty line.
  if ((last != '\n' || file->size == 0) && lines < kMaxLines) ++lines;
  held_.clear();
  file_ = std::move(file);
  starts_ = std::move(starts);
  lines_ = lines;
  cached_block_ = SIZE_MAX;
  cached_.clear();
  return true;
}

std::size_t PagedText::size() const { return file_ ? lines_ : held_.size(); }

std::string PagedText::operator[](std::size_t i) const {
  if (!file_) return i < held_.size() ? held_[i] : std::string();
  if (i >= lines_) return {};
  const std::size_t block = i / kLinesPerBlock;
  if (block != cached_block_) read_block(block);
  const std::size_t k = i % kLinesPerBlock;
  return k < cached_.size() ? cached_[k] : std::string();
}

std::size_t PagedText::find(const std::string& needle, std::size_t from) const {
  const std::size_t n = size();
  const std::size_t first = from == npos ? 0 : (from + 1) % n;
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = (first + k) % n;
    if ((*this)[i].find(needle) != std::string::npos) return i;
  }
  return npos;
}

void PagedText::read_block(std::size_t block) const {
  cached_.clear();
  cached_block_ = block;
  if (block >= starts_.size()) return;
  std::vector<char> buf(kReadBytes);
  uint64_t at = starts_[block];
  std::string line;
  bool cut = false;
  auto finish_line = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (cut) line += "\u2026";
    cached_.push_back(std::move(line));
    line.clear();
    cut = false;
  };
  while (cached_.size() < kLinesPerBlock && at < file_->size) {
    const ssize_t n = ::pread(file_->fd, buf.data(), std::min<uint64_t>(buf.size(), file_->size - at),
                              static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the file cannot be read any more: the lines not read show empty
    for (ssize_t i = 0; i < n && cached_.size() < kLinesPerBlock; ++i) {
      if (buf[i] == '\n') {
        finish_line();
      } else if (line.size() < kMaxShownLineBytes) {
        line.push_back(buf[i]);
      } else {
        cut = true;
      }
    }
    at += static_cast<uint64_t>(n);
  }
  if (cached_.size() < kLinesPerBlock && (!line.empty() || cut)) finish_line();  // the last, without a line feed
}

}  // namespace orv
