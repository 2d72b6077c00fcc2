// The headless front end: a script of one input a line stands for the person. UI lines (click, key,
// type, select, doubleclick, close) are taken by the event pump; prompt, pick and edit lines answer
// the host's blocking requests in order when they come, and a UI line where a prompt or pick line is
// awaited opens the host's prompt window instead, which then takes it and the lines after it as
// input; screen writes a text picture of the windows. A line
// that cannot be carried out stops the script with "NAME:LINE: what went wrong", after which the
// input has ended: loops unwind, prompts and picks are cancelled, and the run can finish. A stop
// signal (SIGINT, SIGTERM) ends the input the same way, without an error.
//
// The text viewer opens as a window like any other: the script closes it (key Esc, key Enter, close)
// or, with auto-dismiss on, message boxes and viewers are closed as soon as they are active. A
// message box or viewer still open when the script ends is an error, so that a script that did not
// foresee a message never passes unnoticed; so are lines left over when the Zlink has returned.
// Nobody sees a headless run's windows, so refusals of the host's services, and message boxes
// closed by auto-dismiss, are told as lines on standard error.
#pragma once
#include <array>
#include <deque>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "platform/event_loop.h"
#include "platform/window_system.h"

namespace orv::frontend {

struct ScriptLine {
  enum class Kind { Prompt, Click, Press, Key, Type, Select, Pick, Edit, Close, Screen, Screenshot, DoubleClick };
  Kind kind = Kind::Key;
  int number = 0;            // line number in the script, from 1
  std::string text;          // Prompt: path; Press: caption; Key: key name; Type: text; Edit: command;
                             // Screen, Screenshot: file
  bool cancel = false;       // Prompt, Pick: "cancel"
  int id = 0;                // Click, Select, DoubleClick
  int index = 0;             // Select, DoubleClick
  std::array<double, 3> point{};  // Pick
};

/// Parses one line. True with `skip` set for a blank line or a "#" comment; false with `err` for a
/// line that is not a script line.
bool parse_script_line(const std::string& line, int number, ScriptLine& out, bool& skip, std::string& err);

/// The longest script line read; a longer one stops the script, so that a line never costs more.
inline constexpr std::size_t kMaxScriptLineBytes = 65536;

class ScriptFrontEnd : public FrontEnd {
 public:
  /// Drives the windows of `windows`.
  explicit ScriptFrontEnd(WindowSystem& windows) : windows_(windows) {}

  /// Opens the script at `path` ("-": standard input), a regular file or a pipe, to be read a line
  /// at a time as it runs; a line that is not a script line stops the script when it is reached.
  /// False with `err` ("path: ...") when it cannot be opened or is a directory or a device.
  bool load(const std::string& path, std::string& err);
  /// Parses a whole script given as text; `name` stands for the file in messages. False with `err`
  /// ("name:line: ...") when a line is not a script line.
  bool load_text(const std::string& text, const std::string& name, std::string& err);

  /// Closes message boxes and viewers as soon as they are the active window (batch runs).
  void set_auto_dismiss(bool on) { auto_dismiss_ = on; }
  /// Whether input_finished() holds lines the Zlink did not take against the script (on by
  /// default; a batch plot's own lines may go unused when the Zlink refuses the file, which the
  /// plot's result tells).
  void set_every_line_expected(bool on) { every_line_expected_ = on; }
  /// Text that `screen` writes above the windows (the graphics window's picture).
  void set_screen_header(std::function<std::string()> header) { header_ = std::move(header); }
  /// Writes the window as it is on screen as a PNG (the desktop front end); false with "path:
  /// reason". Without one, a screenshot line fails the script: a headless run has no window.
  using Screenshot = std::function<bool(const std::string& path, std::string& err)>;
  void set_screenshot(Screenshot screenshot) { screenshot_ = std::move(screenshot); }
  /// Where notices go, one line each without its line feed (default: "orvantis: " + line on
  /// standard error).
  void set_notice_sink(std::function<void(const std::string&)> sink) { notice_ = std::move(sink); }
  /// Message boxes that auto-dismiss closed.
  int dismissed_messages() const { return dismissed_messages_; }

  /// Called once the Zlink has returned for good: a line still unread, or an edit line read ahead
  /// that no editor request took, means the script expected more than happened. The first of them
  /// stops the script ("NAME:LINE: ... the Zlink has ended"). Nothing when the script already failed.
  void finish();

  /// True once a line could not be carried out; error() says which and why.
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  /// Lines read and not yet consumed (a script given as text is read whole).
  size_t lines_left() const { return ahead_.size(); }

  bool next_event(UiEvent& event) override;
  void event_failed(const UiEvent& event, const std::string& why) override;

  bool PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                           HWND owner) override;
  void edit_filename(const std::string& path) override;
  void list_filename(const std::string& path) override;
  bool point_proc(const std::string& prompt, std::array<double, 3>& point) override;
  void refused(const std::string& service, const std::string& why, int64_t repeats) override;
  void plot_told(const std::vector<std::string>& lines) override;
  /// finish() when every line must have run, then the script's error and the message boxes closed.
  InputOutcome input_finished() override;

 private:
  void fail(int line, const std::string& why);
  void notice(const std::string& line);
  /// Takes the next line of `want` for a blocking request, carrying out screen and edit lines on
  /// the way. False when the script has ended or holds another line there (an error); with `window`,
  /// a UI line there is no error but sets *window: the request's window opens and takes the line.
  bool take_answer(ScriptLine::Kind want, const char* request, ScriptLine& out, bool* window = nullptr);
  bool write_screen(const ScriptLine& line);
  bool write_screenshot(const ScriptLine& line);
  bool run_edit_command(const std::string& command, const std::string& path, int line);

  void start(const std::string& name, std::FILE* in);
  /// Reads one more line of the input: kept when it is a script line, stops the script when it
  /// is malformed, ends the input at its end.
  void read_line();
  /// The next script line, read when needed; null at the end of the script or after a failure.
  const ScriptLine* peek();
  /// Takes the line peek() gave.
  ScriptLine take();
  /// Forgets every line not yet run.
  void drop_rest();

  std::string name_;
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::string text_;                             // a script given as text
  std::unique_ptr<std::FILE, Closer> owned_in_;  // the script file or text, when it is not standard input
  std::FILE* in_ = nullptr;                      // where lines come from; null at the end
  std::deque<ScriptLine> ahead_;            // lines read and not yet run
  int read_number_ = 0;                     // the number of the last line read
  int last_number_ = 0;                     // the number of the script's last line
  struct PendingEdit {
    std::string command;
    int line;
  };
  std::deque<PendingEdit> pending_edits_;
  WindowSystem& windows_;
  bool auto_dismiss_ = false;
  bool every_line_expected_ = true;
  std::function<std::string()> header_;
  Screenshot screenshot_;
  std::function<void(const std::string&)> notice_;
  HWND last_dismissed_ = nullptr;  // the message box told last, so a box is told once
  int dismissed_messages_ = 0;
  std::string error_;
};

}  // namespace orv::frontend
