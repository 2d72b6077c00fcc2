// The desktop front end's requests: the host's prompts and the question asked before leaving, run as
// windows of the window system; the viewer; and the editor, an ImGui window run until it is closed.
#include "desktop/desktop_prompt.h"

#include <imgui.h>
#include <imgui_stdlib.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/file_services.h"
#include "core/host_prompts.h"
#include "core/stop_request.h"
#include "frontend/script_front_end.h"
#include "interaction/editor_choice.h"
#include "interaction/frame_text.h"
#include "platform/message_box.h"
#include "platform/number_text.h"

extern char** environ;

namespace orv::desktop {

namespace {

// Seconds a prompt's frame waits for input.
constexpr double kPromptWait = 0.05;
// Largest file the desktop's own editor opens.
constexpr std::uintmax_t kMaxEditBytes = 4u << 20;

void centre_next(float w, float h) {
  const ImVec2 d = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2((d.x - w) / 2, (d.y - h) / 2), ImGuiCond_Always);
  ImGui::SetNextWindowSize(ImVec2(w, h), ImGuiCond_Always);
}

constexpr ImGuiWindowFlags kPromptFlags =
    ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove;

}  // namespace

void DesktopFrontEnd::draw_prompt() {
  Prompt& p = *prompt_;
  const FontMetrics& font = window_.font();
  const float W = static_cast<float>(window_.width()), H = static_cast<float>(window_.height());
  centre_next(std::min(W - 20, font.char_w * 100), std::min(H - 20, font.line_h * 36));
  ImGui::Begin(p.title.c_str(), nullptr, kPromptFlags);
  if (p.focus_field) {
    ImGui::SetKeyboardFocusHere();
    p.focus_field = false;
  }
  ImGui::InputTextMultiline("##text", &p.text, ImVec2(-1, -font.line_h * 3), ImGuiInputTextFlags_AllowTabInput);
  if (!p.error.empty()) ImGui::TextColored(ImVec4(1, 0.4f, 0.3f, 1), "%s", p.error.c_str());
  if (ImGui::Button("Save and close")) p.accepted = p.done = true;
  ImGui::SameLine();
  if (ImGui::Button("Close without saving")) p.done = true;
  ImGui::End();
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
  if (script_) return script_->PromptForFileToOpen(path, mode, filter, owner);
  return run_file_prompt(path, filter, owner) == PromptEnd::Answered;
}

bool DesktopFrontEnd::point_proc(const std::string& prompt, std::array<double, 3>& point) {
  const bool picked = script_ ? script_->point_proc(prompt, point) : run_point_prompt(prompt, point) == PromptEnd::Answered;
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
  return write_text_whole(path, text, err);
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
    status_.clear();  // the question stands alone: no line of before under it
    switch (orv::run_leave_question()) {
      case orv::LeaveAnswer::Save: return LeaveAnswer::Save;
      case orv::LeaveAnswer::Discard: return LeaveAnswer::Discard;
      case orv::LeaveAnswer::Back:
        resume_last_file();  // back to the plot the person left, not to a file prompt
        return LeaveAnswer::Back;
      case orv::LeaveAnswer::InputEnded: break;
    }
    return LeaveAnswer::Gone;  // the window was closed again: nobody is there to answer
  };
  auto save = [this] {
    const bool wrote = export_command();
    if (quit_) return SaveOutcome::Gone;
    return wrote ? SaveOutcome::Written : SaveOutcome::NotWritten;
  };
  return interaction::decide_leaving(ask, save);
}

}  // namespace orv::desktop
