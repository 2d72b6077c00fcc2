// A script is read one line at a time as the pump and the host's requests ask for them, so that a
// script of any length, or one that never ends (a pipe, standard input), costs one line's memory; a
// malformed line stops the script when it is reached. A script given as text is parsed up front.
#include "frontend/script_front_end.h"

#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "core/file_services.h"
#include "core/host_prompts.h"
#include "core/host.h"
#include "core/plot_history.h"
#include "core/plot_report.h"
#include "core/stop_request.h"
#include "platform/cell_render.h"
#include "platform/dialog_manager.h"
#include "platform/message_box.h"
#include "platform/window_system.h"

extern char** environ;

namespace orv::frontend {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool parse_int(const std::string& s, int& out) {
  if (s.empty()) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parse_double(std::string s, double& out) {
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty()) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(out);
}

std::vector<std::string> words(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// The key's name as the dialog manager knows it, whatever its case; empty when unknown.
std::string canonical_key(const std::string& name) {
  static const char* const kKeys[] = {"Tab", "Shift+Tab", "Enter", "Esc", "Space", "Up", "Down", "Home", "End",
                                      "Backspace", "Delete", "Left", "Right", "PageUp", "PageDown", "Alt+Down",
                                      "Shift+Left", "Shift+Right", "Shift+Home", "Shift+End", "Ctrl+A",
                                      "Ctrl+Z", "F4"};
  auto same = [](const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  };
  for (const char* k : kKeys)
    if (same(name, k)) return k;
  if (name.size() == 5 && same(name.substr(0, 4), "Alt+") && std::isalnum(static_cast<unsigned char>(name[4])))
    return "Alt+" + std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[4]))));
  return {};
}

// Lines that are input to the active window.
bool is_ui_line(ScriptLine::Kind k) {
  using K = ScriptLine::Kind;
  return k == K::Click || k == K::Press || k == K::Key || k == K::Type || k == K::Select || k == K::Close ||
         k == K::DoubleClick;
}

bool is_modal_notice(WindowKind kind) { return kind == WindowKind::MessageBox || kind == WindowKind::Viewer; }

// The text of a message box.
std::string message_text(WindowSystem& ws, const Window& box) {
  std::string text;
  for (HWND c : box.children)
    if (Window* w = ws.find(c); w && w->id == kMessageTextId) text = w->text;
  return text;
}

// `text` with its line breaks made blanks, to stand on one line.
std::string one_line(std::string text) {
  for (char& ch : text)
    if (ch == '\n' || ch == '\r') ch = ' ';
  return text;
}

}  // namespace

bool parse_script_line(const std::string& raw, int number, ScriptLine& out, bool& skip, std::string& err) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::string t = trim(line);
  skip = t.empty() || t[0] == '#';
  if (skip) return true;
  size_t lead = line.find_first_not_of(" \t");
  size_t end = line.find_first_of(" \t", lead);
  std::string keyword = line.substr(lead, end == std::string::npos ? std::string::npos : end - lead);
  // The rest of the line after the one blank that separates it from the keyword.
  std::string rest = end == std::string::npos ? std::string() : line.substr(end + 1);
  std::string arg = trim(rest);
  std::vector<std::string> args = words(arg);
  out = ScriptLine{};
  out.number = number;
  using K = ScriptLine::Kind;

  if (keyword == "prompt" || keyword == "pick") {
    out.kind = keyword == "prompt" ? K::Prompt : K::Pick;
    if (arg == "cancel") {
      out.cancel = true;
      return true;
    }
    if (out.kind == K::Prompt) {
      if (arg.empty()) {
        err = "\"prompt\" needs a path or \"cancel\"";
        return false;
      }
      out.text = arg;
      return true;
    }
    std::string numbers = arg;
    for (char& c : numbers)
      if (c == ',') c = ' ';
    std::vector<std::string> n = words(numbers);
    if (n.size() != 3 || !parse_double(n[0], out.point[0]) || !parse_double(n[1], out.point[1]) ||
        !parse_double(n[2], out.point[2])) {
      err = "\"pick\" needs three finite numbers X Y Z or \"cancel\"";
      return false;
    }
    return true;
  }
  if (keyword == "click") {
    out.kind = K::Click;
    if (args.size() != 1 || !parse_int(args[0], out.id)) {
      err = "\"click\" needs one control id";
      return false;
    }
    return true;
  }
  if (keyword == "press") {
    out.kind = K::Press;
    out.text = arg;
    if (arg.empty()) {
      err = "\"press\" needs the caption of a control";
      return false;
    }
    return true;
  }
  if (keyword == "select" || keyword == "doubleclick") {
    out.kind = keyword == "select" ? K::Select : K::DoubleClick;
    if (args.size() != 2 || !parse_int(args[0], out.id) || !parse_int(args[1], out.index) || out.index < 0) {
      err = "\"" + keyword + "\" needs a control id and an item number from 0";
      return false;
    }
    return true;
  }
  if (keyword == "key") {
    out.kind = K::Key;
    out.text = args.size() == 1 ? canonical_key(args[0]) : std::string();
    if (out.text.empty()) {
      err = "unknown key \"" + arg + "\"";
      return false;
    }
    return true;
  }
  if (keyword == "type") {
    out.kind = K::Type;
    out.text = rest;
    return true;
  }
  if (keyword == "edit") {
    out.kind = K::Edit;
    out.text = arg;
    if (arg.empty()) {
      err = "\"edit\" needs a command";
      return false;
    }
    return true;
  }
  if (keyword == "close") {
    out.kind = K::Close;
    if (!arg.empty()) {
      err = "\"close\" takes nothing after it";
      return false;
    }
    return true;
  }
  if (keyword == "screen") {
    out.kind = K::Screen;
    out.text = arg;
    if (arg.empty()) {
      err = "\"screen\" needs a file";
      return false;
    }
    return true;
  }
  if (keyword == "screenshot") {
    out.kind = K::Screenshot;
    out.text = arg;
    if (arg.empty()) {
      err = "\"screenshot\" needs a file";
      return false;
    }
    return true;
  }
  err = "unknown script line \"" + keyword + "\"";
  return false;
}

void ScriptFrontEnd::start(const std::string& name, std::FILE* in) {
  name_ = name;
  ahead_.clear();
  error_.clear();
  pending_edits_.clear();
  in_ = in;
  read_number_ = 0;
  last_number_ = 0;
}

bool ScriptFrontEnd::load(const std::string& path, std::string& err) {
  owned_in_.reset();
  if (path == "-") {
    start("standard input", stdin);
    return true;
  }
  // Only a regular file or a pipe: a device such as /dev/zero would feed the reader forever.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    err = path + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    err = path + ": is a directory";
    return false;
  }
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
    err = path + ": not a regular file or a pipe";
    return false;
  }
  owned_in_.reset(std::fopen(path.c_str(), "rbe"));
  if (!owned_in_) {
    err = path + ": " + std::strerror(errno);
    return false;
  }
  start(path, owned_in_.get());
  return true;
}

bool ScriptFrontEnd::load_text(const std::string& text, const std::string& name, std::string& err) {
  text_ = text;
  owned_in_.reset(text_.empty() ? nullptr : fmemopen(text_.data(), text_.size(), "r"));
  if (!text_.empty() && !owned_in_) {
    err = name + ": " + std::strerror(errno);
    return false;
  }
  start(name, owned_in_.get());
  while (in_ != nullptr) read_line();
  if (failed()) {
    err = error_;
    return false;
  }
  return true;
}

void ScriptFrontEnd::read_line() {
  std::string raw;
  bool any = false, too_long = false;
  errno = 0;
  for (;;) {
    const int c = std::getc(in_);
    if (c == EOF) {
      // A signal that interrupted the read is not the end, unless it asked to stop.
      if (!std::ferror(in_) || errno != EINTR || stop_signal() != 0) break;
      std::clearerr(in_);
      continue;
    }
    any = true;
    if (c == '\n') break;
    if (raw.size() == kMaxScriptLineBytes) {
      too_long = true;
      break;
    }
    raw.push_back(static_cast<char>(c));
  }
  if (!any) {  // the end of the script, or a read that failed
    const bool broken = std::ferror(in_) != 0 && stop_signal() == 0;
    const int why = errno;
    in_ = nullptr;
    last_number_ = read_number_;
    if (broken) fail(read_number_ + 1, std::string("cannot be read: ") + std::strerror(why != 0 ? why : EIO));
    return;
  }
  const int number = ++read_number_;
  last_number_ = number;
  if (too_long) {
    fail(number, "the line is longer than " + std::to_string(kMaxScriptLineBytes) + " bytes");
    return;
  }
  if (raw.find('\0') != std::string::npos) {
    fail(number, "a NUL byte in the line");
    return;
  }
  ScriptLine line;
  bool skip = false;
  std::string why;
  if (!parse_script_line(raw, number, line, skip, why)) {
    fail(number, why);
    return;
  }
  if (!skip) ahead_.push_back(std::move(line));
}

const ScriptLine* ScriptFrontEnd::peek() {
  // Blank lines and comments are read past; a stop request ends a long run of them too.
  while (ahead_.empty() && in_ != nullptr && !failed()) {
    if (stop_signal() != 0) {
      in_ = nullptr;
      break;
    }
    read_line();
  }
  return ahead_.empty() ? nullptr : &ahead_.front();
}

ScriptLine ScriptFrontEnd::take() {
  ScriptLine l = std::move(ahead_.front());
  ahead_.pop_front();
  return l;
}

void ScriptFrontEnd::drop_rest() {
  ahead_.clear();
  in_ = nullptr;
  pending_edits_.clear();
}

void ScriptFrontEnd::fail(int line, const std::string& why) {
  if (!error_.empty()) return;  // the first failure is the one that counts
  error_ = line > 0 ? name_ + ":" + std::to_string(line) + ": " + why : name_ + ": " + why;
  drop_rest();
}

bool ScriptFrontEnd::next_event(UiEvent& event) {
  finish_plot_report();  // the command before this input is over, the plot it ran with it
  if (failed()) return false;
  if (stop_signal() != 0) {  // stopped from outside: the remaining lines are not run
    drop_rest();
    return false;
  }
  WindowSystem& ws = windows_;
  Window* active = ws.find(ws.active());
  if (auto_dismiss_ && active != nullptr && is_modal_notice(active->kind)) {
    if (active->kind == WindowKind::MessageBox && active->handle != last_dismissed_) {
      last_dismissed_ = active->handle;
      ++dismissed_messages_;
      notice("message \"" + one_line(active->text) + "\": " + one_line(message_text(windows_, *active)));
    }
    event = UiEvent{UiEvent::Kind::Key, "Esc", 0, 0, 0};
    return true;
  }
  using K = ScriptLine::Kind;
  while (peek() != nullptr) {
    const ScriptLine l = take();
    switch (l.kind) {
      case K::Screen:
        if (!write_screen(l)) return false;
        continue;
      case K::Screenshot:
        if (!write_screenshot(l)) return false;
        continue;
      case K::Edit:
        pending_edits_.push_back({l.text, l.number});
        continue;
      case K::Prompt:
        fail(l.number, "a \"prompt\" line where a UI event is awaited: no file prompt is open");
        return false;
      case K::Pick:
        fail(l.number, "a \"pick\" line where a UI event is awaited: no point is being picked");
        return false;
      case K::Key: {
        // The host's own keys (undo, clear) are told as a person would read them on the screen.
        if (std::string words; history_key(l.text, words)) {
          notice(words);
          continue;
        }
        event = UiEvent{UiEvent::Kind::Key, l.text, 0, 0, l.number};
        return true;
      }
      case K::Type: event = UiEvent{UiEvent::Kind::Type, l.text, 0, 0, l.number}; return true;
      case K::Click: event = UiEvent{UiEvent::Kind::Click, "", l.id, 0, l.number}; return true;
      case K::Press: event = UiEvent{UiEvent::Kind::Press, l.text, 0, 0, l.number}; return true;
      case K::Select: event = UiEvent{UiEvent::Kind::Select, "", l.id, l.index, l.number}; return true;
      case K::DoubleClick: event = UiEvent{UiEvent::Kind::DoubleClick, "", l.id, l.index, l.number}; return true;
      case K::Close: event = UiEvent{UiEvent::Kind::Close, "", 0, 0, l.number}; return true;
    }
  }
  // The script has ended. A notice nobody will dismiss means the script did not expect it.
  active = ws.find(ws.active());
  if (active != nullptr && active->kind == WindowKind::MessageBox) {
    fail(last_number_, "the script ended with a message box open: \"" + active->text + "\": \"" +
                           message_text(windows_, *active) + "\"");
  } else if (active != nullptr && active->kind == WindowKind::Viewer) {
    fail(last_number_, "the script ended with the viewer of " + active->path + " open");
  }
  return false;
}

InputOutcome ScriptFrontEnd::input_finished() {
  if (every_line_expected_) finish();
  return {error_, dismissed_messages_};
}

void ScriptFrontEnd::finish() {
  if (failed()) return;
  const PendingEdit* edit = pending_edits_.empty() ? nullptr : &pending_edits_.front();
  const ScriptLine* unread = peek();
  if (failed()) return;  // the line read to see what is left was malformed
  if (edit != nullptr && (unread == nullptr || edit->line < unread->number)) {
    fail(edit->line, "the editor was never asked for: the Zlink has ended");
  } else if (unread != nullptr) {
    fail(unread->number, "the line was never reached: the Zlink has ended");
  }
}

void ScriptFrontEnd::event_failed(const UiEvent& event, const std::string& why) { fail(event.line, why); }

void ScriptFrontEnd::notice(const std::string& line) {
  if (notice_) {
    notice_(line);
  } else {
    std::fprintf(stderr, "orvantis: %s\n", line.c_str());
    std::fflush(stderr);
  }
}

void ScriptFrontEnd::plot_told(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) notice(line);
}

void ScriptFrontEnd::refused(const std::string& service, const std::string& why, int64_t repeats) {
  (void)service;  // the reason names what was refused in words
  notice("refused: " + why + (repeats > 0 ? " (" + std::to_string(repeats) + " more times)" : ""));
}

bool ScriptFrontEnd::take_answer(ScriptLine::Kind want, const char* request, ScriptLine& out, bool* window) {
  using K = ScriptLine::Kind;
  if (stop_signal() != 0) return false;  // stopped: every request is cancelled
  for (const ScriptLine* next; (next = peek()) != nullptr;) {
    if (next->kind == want) {
      out = take();
      return true;
    }
    if (next->kind == K::Screen || next->kind == K::Screenshot) {
      const ScriptLine l = take();
      if (!(l.kind == K::Screen ? write_screen(l) : write_screenshot(l))) return false;
      continue;
    }
    if (next->kind == K::Edit) {
      const ScriptLine l = take();
      pending_edits_.push_back({l.text, l.number});
      continue;
    }
    const ScriptLine& l = *next;
    if (window != nullptr && is_ui_line(l.kind)) {
      *window = true;  // the prompt's window opens, and the line is input to it
      return false;
    }
    fail(l.number, std::string(request) + " is awaited, but the line is not a \"" +
                       (want == K::Prompt ? "prompt" : "pick") + "\" line");
    return false;
  }
  return false;  // the script has ended: the request is cancelled
}

bool ScriptFrontEnd::write_screen(const ScriptLine& line) {
  std::string picture = header_ ? header_() : std::string();
  if (!picture.empty() && picture.back() != '\n') picture += '\n';
  std::string windows = render_screen_text(windows_);
  if (!picture.empty() && !windows.empty()) picture += '\n';
  picture += windows;
  // Written as every output is: whole or not at all, only over a regular file, and never over the
  // part file, an export target or the equation file.
  std::string why;
  if (!output_path_allowed(line.text, why)) {
    fail(line.number, "cannot write the screen: " + why);
    return false;
  }
  FILE* out = open_committing_stream(line.text);
  if (out == nullptr) {
    fail(line.number, "cannot write the screen to " + line.text + ": " + std::strerror(errno));
    return false;
  }
  const bool wrote = std::fwrite(picture.data(), 1, picture.size(), out) == picture.size();
  const int write_error = errno;
  if (std::fclose(out) != 0 || !wrote) {
    fail(line.number, "cannot write the screen to " + line.text + ": " + std::strerror(wrote ? errno : write_error));
    return false;
  }
  return true;
}

bool ScriptFrontEnd::write_screenshot(const ScriptLine& line) {
  if (!screenshot_) {
    fail(line.number, "\"screenshot\" needs the desktop window (--desktop); use \"screen\" for a text picture");
    return false;
  }
  std::string err;
  if (!screenshot_(line.text, err)) {
    fail(line.number, "cannot write the screenshot: " + err);
    return false;
  }
  return true;
}

bool ScriptFrontEnd::PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                                         HWND owner) {
  (void)mode;
  ScriptLine answer;
  bool window = false;
  bool chosen = !failed() && take_answer(ScriptLine::Kind::Prompt, "a file prompt", answer, &window) && !answer.cancel;
  if (window) return run_file_prompt(path, filter, owner) == PromptEnd::Answered;
  if (chosen) path = answer.text;
  return chosen;
}

bool ScriptFrontEnd::point_proc(const std::string& prompt, std::array<double, 3>& point) {
  ScriptLine answer;
  bool window = false;
  bool picked = !failed() && take_answer(ScriptLine::Kind::Pick, "a point pick", answer, &window) && !answer.cancel;
  if (window) return run_point_prompt(prompt, point) == PromptEnd::Answered;
  if (picked) point = answer.point;
  return picked;
}

void ScriptFrontEnd::edit_filename(const std::string& path) {
  if (failed() || stop_signal() != 0) return;
  // An edit line read earlier, or the one that comes next.
  if (const ScriptLine* next = pending_edits_.empty() ? peek() : nullptr;
      next != nullptr && next->kind == ScriptLine::Kind::Edit) {
    const ScriptLine l = take();
    pending_edits_.push_back({l.text, l.number});
  }
  if (pending_edits_.empty()) return;  // nobody edits: the file stays as it is
  PendingEdit e = pending_edits_.front();
  pending_edits_.pop_front();
  run_edit_command(e.command, path, e.line);
}

bool ScriptFrontEnd::run_edit_command(const std::string& command, const std::string& path, int line) {
  std::vector<std::string> env_strings;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e)
    if (std::strncmp(*e, "FILE=", 5) != 0) env_strings.emplace_back(*e);
  env_strings.push_back("FILE=" + path);
  std::vector<char*> envp;
  for (std::string& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string sh = "/bin/sh", dash_c = "-c", cmd = command;
  char* argv[] = {sh.data(), dash_c.data(), cmd.data(), nullptr};

  // The command reads nothing of the script's own input.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    fail(line, "the edit command cannot be started: " + std::string(std::strerror(rc)));
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      fail(line, "the edit command was lost: " + std::string(std::strerror(errno)));
      return false;
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                        : "signal " + std::to_string(WTERMSIG(status));
    fail(line, "the edit command failed (" + how + "): " + command);
    return false;
  }
  return true;
}

void ScriptFrontEnd::list_filename(const std::string& path) {
  run_text_viewer(path);
}

}  // namespace orv::frontend
