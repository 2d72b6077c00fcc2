// Live edit: when the equation file open in the Zlink changes on disk (saved from any editor), the
// host runs the plot again the way the person would, through the Zlink's main dialog (Open file of
// the same path, then Plot it), and the new plot takes the place of the one before it. A run whose
// file has lines that are not read, that plots nothing or does not plot at all leaves the last good
// plot on the screen, and the plot report says what failed. An editor writes a file in several steps,
// so a change counts only once the file has stood still (size, time and identity) for a while, and
// each state of the file is read once. The file is polled with stat: no watcher service is needed.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/event_loop.h"

namespace orv {

/// How long a file must stand still before a change counts.
constexpr std::chrono::milliseconds kLiveSettle{200};
/// How often a front end waiting for input should poll, at most.
constexpr std::chrono::milliseconds kLivePoll{50};

/// What stat says of a file: enough to tell that it changed.
struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

/// The stamp of the file at `path`; exists is false when stat fails or it is not a regular file.
FileStamp stamp_of(const std::string& path);

/// Watches one file for saves that have settled.
class SaveWatcher {
 public:
  using Clock = std::chrono::steady_clock;
  using Stat = std::function<FileStamp(const std::string&)>;
  explicit SaveWatcher(Stat stat = stamp_of) : stat_(std::move(stat)) {}

  /// Watches `path`, as it is now taken to be already read.
  void watch(const std::string& path, Clock::time_point now);
  const std::string& path() const { return path_; }
  /// True once for each state of the file, other than the last one told, that has stood still
  /// for kLiveSettle; a file that is missing (or not a regular file) is never told.
  bool poll(Clock::time_point now);

 private:
  Stat stat_;
  std::string path_;
  FileStamp told_;                  // the state read last
  FileStamp seen_;                  // the state seen at the last poll
  Clock::time_point seen_since_{};  // since when it has been seen
};

/// The host's live edit: the watcher and the run again through the main dialog.
class LiveEdit {
 public:
  using Clock = SaveWatcher::Clock;

  void set_enabled(bool on);
  bool enabled() const { return enabled_; }

  /// To be called by a front end waiting for input with none of its own queued. When the file
  /// open in the Zlink has settled in a new state and the Zlink's main dialog is the active
  /// window, `events` gets the input that runs the plot again and the answer to the file prompt is
  /// kept for take_prompt_answer(); true then. Once that run is over (the main dialog active
  /// again), it is judged: `told` gets the sentence for the status line. False otherwise.
  bool poll(std::vector<UiEvent>& events, std::string& told, Clock::time_point now = Clock::now());
  /// The answer for the file prompt of a run again: true once, with `path`, after poll gave its
  /// events.
  bool take_prompt_answer(std::string& path);
  /// True while a run again is under way (its input given, not yet judged).
  bool running() const { return state_ != State::Idle; }

 private:
  /// The run again is over: keeps the new plot in place of the last one, or drops it.
  std::string judge();

  enum class State { Idle, Running };
  bool enabled_ = false;
  SaveWatcher watcher_;
  bool pending_ = false;  // a settled change waits for the main dialog
  State state_ = State::Idle;
  std::string answer_;  // the file prompt's answer, until taken
  bool answer_taken_ = false;
  int64_t plots_before_ = 0, readings_before_ = 0;
};

/// The process-wide live edit.
LiveEdit& live_edit();

}  // namespace orv
