// Live edit; see live_edit.h. The run again is the person's own input handed to the event pump
// (press "Open file", press "Plot it"), so the Zlink reads and plots exactly as when the person
// clicks; the host only answers the file prompt with the same path and, once the plot is over,
// keeps either it or the plot before it through the plot history.
#include "core/live_edit.h"

#include <sys/stat.h>

#include "core/host.h"
#include "core/plot_history.h"
#include "core/plot_report.h"
#include "core/recent_files.h"
#include "platform/transcript.h"
#include "platform/window_system.h"

namespace orv {
namespace {

std::string base_name(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

FileStamp stamp_of(const std::string& path) {
  FileStamp s;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

void SaveWatcher::watch(const std::string& path, Clock::time_point now) {
  path_ = path;
  told_ = seen_ = stat_(path);
  seen_since_ = now;
}

bool SaveWatcher::poll(Clock::time_point now) {
  if (path_.empty()) return false;
  const FileStamp s = stat_(path_);
  if (!(s == seen_)) {
    seen_ = s;
    seen_since_ = now;
    return false;
  }
  if (!s.exists || s == told_ || now - seen_since_ < kLiveSettle) return false;
  told_ = s;
  return true;
}

void LiveEdit::set_enabled(bool on) {
  enabled_ = on;
  pending_ = false;
  // Turned on, the file as it is now counts as read: only later saves run the plot again.
  if (on && !current_file().empty()) watcher_.watch(current_file(), Clock::now());
}

bool LiveEdit::take_prompt_answer(std::string& path) {
  if (state_ != State::Running || answer_taken_) return false;
  answer_taken_ = true;
  path = answer_;
  return true;
}

bool LiveEdit::poll(std::vector<UiEvent>& events, std::string& told, Clock::time_point now) {
  if (!enabled_) return false;
  const std::string& file = current_file();
  if (file.empty()) return false;
  if (file != watcher_.path()) {
    watcher_.watch(file, now);
    pending_ = false;
  }
  WindowSystem& ws = host().windows;
  const HWND dock = ws.docked_dialog();
  const bool ready = dock != nullptr && ws.active() == dock;
  if (state_ == State::Running) {
    if (!ready) return false;  // a message box of the run again is still open
    told = judge();
    state_ = State::Idle;
    return false;
  }
  if (watcher_.poll(now)) pending_ = true;
  if (!pending_ || !ready) return false;
  pending_ = false;
  state_ = State::Running;
  answer_ = file;
  answer_taken_ = false;
  plots_before_ = plot_history().plots_started();
  readings_before_ = readings_finished();
  events.push_back(UiEvent{UiEvent::Kind::Press, "Open file", 0, 0, 0});
  events.push_back(UiEvent{UiEvent::Kind::Press, "Plot it", 0, 0, 0});
  return true;
}

std::string LiveEdit::judge() {
  PlotHistory& history = plot_history();
  const std::string name = base_name(answer_);
  std::string words = "Live edit: " + name;
  bool replotted = false;
  const bool plotted = history.plots_started() > plots_before_;
  if (!answer_taken_) {
    if (plotted) history.drop_last_plot();  // of the statements read before: not the file's new state
    words += " changed, but the Zlink did not ask for its file; the plot was not run again";
  } else if (readings_finished() == readings_before_) {
    words += " could not be read; the last good plot stays";
  } else if (!plotted) {
    words += " was read but did not plot; the last good plot stays";
  } else if (last_read_report().not_read > 0) {
    history.drop_last_plot();
    show_read_report_again();
    words += " has lines that are not read (see above); the last good plot stays";
  } else if (GeometryCount made = history.last_plot_count(); made.empty()) {
    history.drop_last_plot();
    words += " plotted nothing; the last good plot stays";
  } else {
    history.replace_previous();
    words += " plotted again: " + count_words(made);
    replotted = true;
  }
  if (Transcript* t = transcript())
    t->record({{"event", "live_edit"}, {"path", answer_}, {"replotted", replotted}, {"words", words}});
  return words;
}

LiveEdit& live_edit() {
  static LiveEdit live;
  return live;
}

}  // namespace orv
