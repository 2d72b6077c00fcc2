// The desktop's modal prompts: their ImGui windows, the loop that runs one until it is answered,
// and the front end's requests (file, point, editor, viewer, leaving) built on them.
#include "desktop/desktop_prompt.h"

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_stdlib.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/file_services.h"
#include "core/recent_files.h"
#include "exchange/export_formats.h"
#include "core/stop_request.h"
#include "frontend/script_front_end.h"
#include "interaction/editor_choice.h"
#include "interaction/frame_text.h"
#include "platform/message_box.h"
#include "platform/number_text.h"

extern char** environ;

namespace orv::desktop {

namespace fs = std::filesystem;

namespace {

// Seconds a prompt's frame waits for input.
constexpr double kPromptWait = 0.05;
// Largest file the desktop's own editor opens.
constexpr std::uintmax_t kMaxEditBytes = 4u << 20;

std::string parent_folder(const std::string& path) {
  std::error_code ec;
  if (path.empty()) return fs::current_path(ec).string();
  fs::path p(path);
  if (fs::is_directory(p, ec)) return p.string();
  fs::path parent = p.parent_path();
  if (parent.empty()) return fs::current_path(ec).string();
  return parent.string();
}

// A path made plain: "." and ".." resolved, no trailing "/" but for the root.
std::string folder_path(const fs::path& path) {
  std::string s = path.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

void centre_next(float w, float h) {
  const ImVec2 d = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2((d.x - w) / 2, (d.y - h) / 2), ImGuiCond_Always);
  ImGui::SetNextWindowSize(ImVec2(w, h), ImGuiCond_Always);
}

constexpr ImGuiWindowFlags kPromptFlags =
    ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove;

}  // namespace

bool list_folder(const std::string& dir, const std::string& filter, std::vector<std::string>& names,
                 std::string& err) {
  names.clear();
  std::error_code ec;
  fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    err = dir + ": " + ec.message();
    return false;
  }
  std::vector<std::string> folders, files;
  for (const fs::directory_entry& e : it) {
    std::error_code e2;
    const std::string name = e.path().filename().string();
    if (e.is_directory(e2)) {
      folders.push_back(name + "/");
    } else if (e.is_regular_file(e2) && (filter.empty() || path_matches_filter(name, filter))) {
      files.push_back(name);
    }
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());
  if (fs::path(dir).has_relative_path()) names.push_back("../");
  names.insert(names.end(), folders.begin(), folders.end());
  names.insert(names.end(), files.begin(), files.end());
  return true;
}

bool parse_point(const std::array<std::string, 3>& fields, std::array<double, 3>& point, std::string& err) {
  static const char* const kNames[3] = {"X", "Y", "Z"};
  std::array<double, 3> p{};
  for (int i = 0; i < 3; ++i) {
    std::string t = fields[i];
    t.erase(0, t.find_first_not_of(" \t"));
    t.erase(t.find_last_not_of(" \t") + 1);
    if (!parse_real(t, p[i])) {
      err = std::string(kNames[i]) + ": \"" + fields[i] + "\" is not a number";
      return false;
    }
  }
  point = p;
  return true;
}

std::unique_ptr<DesktopFrontEnd::Prompt> DesktopFrontEnd::Prompt::make_export(const std::string& path) {
  auto p = std::make_unique<Prompt>();
  p->kind = Kind::Export;
  p->title = "Export";
  p->text = path;
  return p;
}

std::unique_ptr<DesktopFrontEnd::Prompt> DesktopFrontEnd::Prompt::make_file(const std::string& path,
                                                                             const std::string& filter) {
  auto p = std::make_unique<Prompt>();
  p->kind = Kind::File;
  p->title = "Open file";
  p->filter = filter;
  p->text = normalize_path(path);  // a Zlink may write "\\" between folders, as its platform does
  p->open_folder(folder_path(fs::absolute(parent_folder(p->text))));
  return p;
}

std::unique_ptr<DesktopFrontEnd::Prompt> DesktopFrontEnd::Prompt::make_point(const std::string& title,
                                                                              const std::array<double, 3>& point) {
  auto p = std::make_unique<Prompt>();
  p->kind = Kind::Point;
  p->title = title.empty() ? "Pick a point" : title;
  p->set_point(point);
  return p;
}

void DesktopFrontEnd::Prompt::set_point(const std::array<double, 3>& point) {
  for (int i = 0; i < 3; ++i) coords[i] = format_real(point[i]);
  error.clear();
  focus_field = true;  // the keys go back to the fields, so that Enter takes the point
}

void DesktopFrontEnd::Prompt::open_folder(const std::string& folder) {
  std::vector<std::string> list;
  std::string err;
  if (!list_folder(folder, filter, list, err)) {
    error = err;
    return;
  }
  dir = folder;
  names = std::move(list);
  error.clear();
}

void DesktopFrontEnd::draw_prompt() {
  Prompt& p = *prompt_;
  const FontMetrics& font = window_.font();
  const float W = static_cast<float>(window_.width()), H = static_cast<float>(window_.height());
  auto field_focus = [&p] {
    if (p.focus_field) {
      ImGui::SetKeyboardFocusHere();
      p.focus_field = false;
    }
  };
  const bool esc = ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape));
  // Enter answers the prompt even when a click elsewhere took the keys from its field.
  const bool enter_free = !ImGui::IsAnyItemActive() && (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter)) ||
                                                        ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_KeyPadEnter)));
  switch (p.kind) {
    case Prompt::Kind::File: {
      centre_next(std::min(W - 20, font.char_w * 80), std::min(H - 20, font.line_h * 30));
      ImGui::Begin(p.title.c_str(), nullptr, kPromptFlags);
      ImGui::Text("Folder: %s   (files: *%s)", p.dir.c_str(), p.filter.c_str());
      std::string chosen_name;
      bool open_now = false, recent_now = false;
      ImGui::BeginChild("##names", ImVec2(0, -font.line_h * 4.5f), true);
      for (const std::string& n : p.names) {
        const bool folder = !n.empty() && n.back() == '/';
        if (ImGui::Selectable(n.c_str(), false, ImGuiSelectableFlags_AllowDoubleClick)) {
          chosen_name = n;
          open_now = folder || ImGui::IsMouseDoubleClicked(0);
        }
      }
      // The recent files, by their whole paths: a click takes one into the path field.
      for (const std::string& r : recent_files()) {
        const std::string label = "recent  " + r;
        if (ImGui::Selectable(label.c_str(), p.text == r, ImGuiSelectableFlags_AllowDoubleClick)) {
          p.text = r;
          open_now = ImGui::IsMouseDoubleClicked(0);
          recent_now = open_now;
        }
      }
      ImGui::EndChild();
      if (!recent_files_note().empty()) ImGui::TextColored(ImVec4(1, 0.8f, 0.3f, 1), "%s", recent_files_note().c_str());
      if (!chosen_name.empty()) {
        const bool folder = chosen_name.back() == '/';
        const std::string full = folder_path(fs::path(p.dir) / chosen_name.substr(0, chosen_name.size() - (folder ? 1 : 0)));
        if (folder)
          p.open_folder(full);
        else
          p.text = full;
      }
      ImGui::TextUnformatted("Path:");
      ImGui::SameLine();
      ImGui::SetNextItemWidth(-1);
      field_focus();
      const bool enter = ImGui::InputText("##path", &p.text, ImGuiInputTextFlags_EnterReturnsTrue);
      if (!p.error.empty()) ImGui::TextColored(ImVec4(1, 0.4f, 0.3f, 1), "%s", p.error.c_str());
      const bool ok = ImGui::Button("Open") || enter || enter_free || recent_now ||
                      (open_now && !chosen_name.empty() && chosen_name.back() != '/');
      ImGui::SameLine();
      if (ImGui::Button("Cancel") || esc) p.done = true;
      if (ok && !p.done) {
        std::error_code ec;
        const fs::path typed = fs::path(p.text).is_absolute() ? fs::path(p.text) : fs::path(p.dir) / p.text;
        if (p.text.empty()) {
          p.error = "type a path or choose a file";
        } else if (fs::is_directory(typed, ec)) {
          p.open_folder(folder_path(typed));
          p.text.clear();
        } else {
          p.text = typed.lexically_normal().string();
          p.accepted = p.done = true;
        }
      }
      ImGui::End();
      break;
    }
    case Prompt::Kind::Point: {
      centre_next(std::min(W - 20, font.char_w * 62), font.line_h * 10);
      ImGui::SetNextWindowPos(ImVec2((W - std::min(W - 20, font.char_w * 62)) / 2, H - font.line_h * 13), ImGuiCond_Always);
      ImGui::Begin(p.title.c_str(), nullptr, kPromptFlags);
      ImGui::TextWrapped("Type the point, or click a mark, point or curve end in the view to take it.");
      static const char* const kLabels[3] = {"X", "Y", "Z"};
      bool enter = false;
      for (int i = 0; i < 3; ++i) {
        if (i > 0) ImGui::SameLine();
        ImGui::SetNextItemWidth(font.char_w * 16);
        if (i == 0) field_focus();
        enter |= ImGui::InputText(kLabels[i], &p.coords[i], ImGuiInputTextFlags_EnterReturnsTrue);
      }
      if (!p.error.empty()) ImGui::TextColored(ImVec4(1, 0.4f, 0.3f, 1), "%s", p.error.c_str());
      const bool ok = ImGui::Button("OK") || enter || enter_free;
      ImGui::SameLine();
      if (ImGui::Button("Cancel") || esc) p.done = true;
      if (ok && !p.done) {
        std::array<double, 3> pt{};
        if (parse_point(p.coords, pt, p.error)) p.accepted = p.done = true;
      }
      ImGui::End();
      break;
    }
    case Prompt::Kind::Editor: {
      centre_next(std::min(W - 20, font.char_w * 100), std::min(H - 20, font.line_h * 36));
      ImGui::Begin(p.title.c_str(), nullptr, kPromptFlags);
      field_focus();
      ImGui::InputTextMultiline("##text", &p.text, ImVec2(-1, -font.line_h * 3), ImGuiInputTextFlags_AllowTabInput);
      if (!p.error.empty()) ImGui::TextColored(ImVec4(1, 0.4f, 0.3f, 1), "%s", p.error.c_str());
      if (ImGui::Button("Save and close")) p.accepted = p.done = true;
      ImGui::SameLine();
      if (ImGui::Button("Close without saving")) p.done = true;
      ImGui::End();
      break;
    }
    case Prompt::Kind::Export: {
      centre_next(std::min(W - 20, font.char_w * 70), font.line_h * 8);
      ImGui::Begin(p.title.c_str(), nullptr, kPromptFlags);
      ImGui::TextUnformatted(("Export to (" + exchange::export_extensions(" ") + "):").c_str());
      ImGui::SetNextItemWidth(-1);
      field_focus();
      const bool enter = ImGui::InputText("##path", &p.text, ImGuiInputTextFlags_EnterReturnsTrue);
      if (!p.error.empty()) ImGui::TextColored(ImVec4(1, 0.4f, 0.3f, 1), "%s", p.error.c_str());
      if (ImGui::Button("Write") || enter || enter_free) p.accepted = p.done = true;
      ImGui::SameLine();
      if (ImGui::Button("Cancel") || esc) p.done = true;
      ImGui::End();
      break;
    }
    case Prompt::Kind::Leave: {
      centre_next(std::min(W - 20, font.char_w * 64), font.line_h * 9);
      ImGui::Begin(p.title.c_str(), nullptr, kPromptFlags);
      ImGui::TextWrapped("The geometry made in this session is not saved.");
      if (!p.error.empty()) ImGui::TextColored(ImVec4(1, 0.4f, 0.3f, 1), "%s", p.error.c_str());
      // The keys are the terminal's: S saves, D discards, B or Esc goes back.
      if (ImGui::Button("Save (export)... [S]") || ImGui::IsKeyPressed(GLFW_KEY_S)) p.leave = Prompt::Leave::Save;
      ImGui::SameLine();
      if (ImGui::Button("Discard and leave [D]") || ImGui::IsKeyPressed(GLFW_KEY_D)) p.leave = Prompt::Leave::Discard;
      ImGui::SameLine();
      if (ImGui::Button("Back [B]") || ImGui::IsKeyPressed(GLFW_KEY_B) || esc) p.leave = Prompt::Leave::Back;
      if (p.leave != Prompt::Leave::None) p.done = true;
      ImGui::End();
      break;
    }
  }
}

bool DesktopFrontEnd::run_prompt() {
  settle_ = kSettleFrames;
  while (!prompt_->done) {
    idle_frame(kPromptWait);
    if (quit_ || stop_signal() != 0) {
      prompt_->accepted = false;
      return false;
    }
  }
  draw_frame();  // the frame without the prompt, so the window shows its answer at once
  return true;
}

bool DesktopFrontEnd::PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                                          HWND owner) {
  if (script_) {
    const bool chosen = script_->PromptForFileToOpen(path, mode, filter, owner);
    if (chosen) equation_file_ = path;
    return chosen;
  }
  prompt_ = Prompt::make_file(path, filter);
  run_prompt();
  const bool chosen = prompt_->accepted;
  if (chosen) path = equation_file_ = prompt_->text;
  prompt_.reset();
  return chosen;
}

bool DesktopFrontEnd::point_proc(const std::string& prompt, std::array<double, 3>& point) {
  bool picked = false;
  if (script_) {
    picked = script_->point_proc(prompt, point);
  } else {
    prompt_ = Prompt::make_point(prompt, point);
    run_prompt();
    std::string err;
    picked = prompt_->accepted && parse_point(prompt_->coords, point, err);
    prompt_.reset();
  }
  if (picked) origin_text_ = interaction::origin_text(point);
  return picked;
}

void DesktopFrontEnd::list_filename(const std::string& path) {
  if (script_) {
    script_->list_filename(path);
    return;
  }
  run_text_viewer(path);
}

void DesktopFrontEnd::edit_filename(const std::string& path) {
  if (script_) {
    script_->edit_filename(path);
    return;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    status_ = path + ": not a regular file, not edited";
    return;
  }
  if (const interaction::EditorChoice editor = interaction::choose_editor(true); !editor.own) {
    // $VISUAL runs on its own; the window keeps drawing until it has finished.
    std::vector<std::string> args = interaction::editor_arguments(editor.command, path);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ); rc != 0) {
      status_ = "The editor ($VISUAL) could not be started: " + std::string(std::strerror(rc));
      return;
    }
    status_ = "Editing " + path + " with " + editor.command + "; the host goes on when the editor closes";
    int status = 0;
    for (;;) {
      pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid || (r < 0 && errno != EINTR)) break;
      idle_frame(kPromptWait);
    }
    status_ = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::string()
                                                            : "The editor ($VISUAL) did not finish cleanly";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) status_ = "The editor ($VISUAL) could not be started";
    return;
  }
  // No $VISUAL: the desktop's own editor.
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxEditBytes) {
    status_ = path + ": too large for the editor";
    return;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  prompt_ = std::make_unique<Prompt>();
  prompt_->kind = Prompt::Kind::Editor;
  prompt_->title = "Edit " + path;
  prompt_->text = text.str();
  prompt_->path = path;
  for (;;) {
    run_prompt();
    if (!prompt_->accepted) break;
    std::string err;
    if (save_edited_text(path, prompt_->text, err)) break;
    prompt_->error = err + "; the file is as it was";
    prompt_->done = prompt_->accepted = false;
  }
  prompt_.reset();
}

bool save_edited_text(const std::string& path, const std::string& text, std::string& err) {
  // The editor read the file byte for byte, so a line the Zlink's reading cut is whole in `text`:
  // saving it is how the person puts that line right.
  forget_lost_bytes(path);
  return write_file_whole(
      path,
      [&text](const std::string& temporary, std::string& why) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (out.flush()) return true;
        why = std::strerror(errno);
        return false;
      },
      err);
}

void DesktopFrontEnd::set_exporter(Exporter exporter) {
  if (!script_) saving_.set_exporter(std::move(exporter));  // a script's lines are the input
}

bool DesktopFrontEnd::goes_back_before_leaving() {
  return !script_ && saving_.unsaved() && ask_before_leaving() == interaction::LeaveChoice::Back;
}

InputOutcome DesktopFrontEnd::input_finished() { return script_ ? script_->input_finished() : InputOutcome{}; }

interaction::LeaveChoice DesktopFrontEnd::ask_before_leaving() {
  using interaction::LeaveAnswer;
  using interaction::SaveOutcome;
  quit_ = false;  // the close that ended the run is answered by the question
  auto ask = [this] {
    prompt_ = std::make_unique<Prompt>();
    prompt_->kind = Prompt::Kind::Leave;
    prompt_->title = "Leave the host?";
    prompt_->error = status_;
    if (!run_prompt()) {
      prompt_.reset();
      return LeaveAnswer::Gone;  // the window was closed again: nobody is there to answer
    }
    const Prompt::Leave leave = prompt_->leave;
    prompt_.reset();
    if (leave == Prompt::Leave::Discard) return LeaveAnswer::Discard;
    if (leave == Prompt::Leave::Back) return LeaveAnswer::Back;
    return LeaveAnswer::Save;
  };
  auto save = [this] {
    prompt_ = Prompt::make_export(saving_.last_path());
    const bool answered = run_prompt();
    const bool accepted = prompt_->accepted;
    const std::string target = prompt_->text;
    prompt_.reset();
    if (!answered) return SaveOutcome::Gone;
    return accepted && export_to(target) ? SaveOutcome::Written : SaveOutcome::NotWritten;
  };
  return interaction::decide_leaving(ask, save);
}

}  // namespace orv::desktop
