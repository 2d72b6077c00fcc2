// The lines of a text file as the viewer pages through them: the file is read once to find where
// every 64th line starts, and a line is read from there when it is shown, so that a trace log of
// hundreds of megabytes costs the viewer a small index and one block of lines, never the whole
// file. The file is held open, so what is paged is the file that was opened, up to the size it
// had then. A line longer than kMaxShownLineBytes is shown cut, ending in "…".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

/// The most bytes of one line the viewer shows.
constexpr std::size_t kMaxShownLineBytes = 4096;
/// Lines between two entries of the index, and so the lines read at once.
constexpr std::size_t kLinesPerBlock = 64;

class PagedText {
 public:
  /// One empty line, as an empty file shows.
  PagedText() = default;
  /// Lines held in memory (a message shown in place of a file).
  PagedText(std::vector<std::string> lines);
  PagedText& operator=(std::vector<std::string> lines);

  /// Opens `path` and finds its lines; false with "path: reason" when it cannot be read (the text is
  /// then unchanged).
  bool open(const std::string& path, std::string& err);

  /// How many lines there are (1 for an empty file): lines end at a line feed, the last one need
  /// not. At most what an int counts.
  std::size_t size() const;
  /// Line `i`, without its line feed or a carriage return before it; empty beyond the last line,
  /// or when the file can no longer be read.
  std::string operator[](std::size_t i) const;
  /// The first line after `from` that holds `needle`, going round past the last line to `from`
  /// itself; npos when none does.
  std::size_t find(const std::string& needle, std::size_t from = npos) const;
  static constexpr std::size_t npos = SIZE_MAX;

 private:
  struct File;
  void read_block(std::size_t block) const;

  std::vector<std::string> held_{std::string()};  // the lines, when they are held in memory
  std::shared_ptr<const File> file_;              // the file, when it is paged
  std::vector<uint64_t> starts_;                  // where line k * kLinesPerBlock starts
  std::size_t lines_ = 0;                         // lines of the file
  mutable std::size_t cached_block_ = SIZE_MAX;   // the block in `cached_`
  mutable std::vector<std::string> cached_;
};

}  // namespace orv
