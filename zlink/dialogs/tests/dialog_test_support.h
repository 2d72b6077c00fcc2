// Helpers for driving the plug-in headlessly in-process: the plug-in's module registered with the
// host and attached as the loader would, a scripted person at the keyboard (UI events and checks
// run between them), answers for the host's prompts and picks, and scratch equation files.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/database.h"
#include "core/host.h"
#include "core/file_services.h"
#include "core/frontend.h"
#include "orvantis/afx.h"
#include "orvantis/resource_format.h"
#include "equation/plot_settings.h"
#include "equation/statement_pool.h"
#include "dialogs/module_switch.h"
#include "platform/dialog_manager.h"
#include "platform/event_loop.h"
#include "platform/modules.h"
#include "platform/window_system.h"

extern "C" const ResourceTable zlink_resources;
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);

namespace kuvra_test {

namespace fs = std::filesystem;

/// The person's answers to the host's blocking requests, and what the host asked.
struct FakeFrontEnd : orv::FrontEnd {
  std::deque<std::optional<std::string>> prompts;            // nullopt: the prompt is cancelled
  std::deque<std::optional<std::array<double, 3>>> picks;    // nullopt: the pick is abandoned
  std::function<void(const std::string&)> editor;            // what the person does in the editor
  std::vector<std::string> prompt_defaults, prompt_filters, edited, shown;
  std::vector<bool> owner_visible_at_pick;                   // was the pick's dialog still shown
  HWND watched = nullptr;                                    // the dialog whose visibility is noted
  int cleans = 0;

  bool PromptForFileToOpen(std::string& path, const std::string&, const std::string& filter,
                           HWND) override {
    prompt_defaults.push_back(path);
    prompt_filters.push_back(filter);
    if (prompts.empty()) return false;
    std::optional<std::string> answer = prompts.front();
    prompts.pop_front();
    if (!answer) return false;
    path = *answer;
    return true;
  }
  void edit_filename(const std::string& path) override {
    edited.push_back(path);
    if (editor) editor(path);
  }
  void list_filename(const std::string& path) override { shown.push_back(path); }
  bool point_proc(const std::string&, std::array<double, 3>& point) override {
    owner_visible_at_pick.push_back(watched != nullptr && ::IsWindowVisible(watched));
    if (picks.empty()) return false;
    std::optional<std::array<double, 3>> answer = picks.front();
    picks.pop_front();
    if (!answer) return false;
    point = *answer;
    return true;
  }
  void clean_pt(const std::array<double, 3>&) override { ++cleans; }
};

/// The person at the keyboard: events in order, with checks (actions) run in between, each when
/// the host's pump asks for the next event. When the steps run out the input has ended.
struct ScriptedInput : orv::InputSource {
  struct Step {
    orv::UiEvent event;
    std::function<void()> action;
  };
  std::deque<Step> steps;
  std::vector<std::string> failures;

  bool next_event(orv::UiEvent& event) override {
    while (!steps.empty()) {
      Step step = std::move(steps.front());
      steps.pop_front();
      if (step.action) {
        step.action();
        continue;
      }
      event = step.event;
      return true;
    }
    return false;
  }
  void event_failed(const orv::UiEvent&, const std::string& why) override { failures.push_back(why); }

  ScriptedInput& click(int id) { return push({orv::UiEvent::Kind::Click, "", id}); }
  ScriptedInput& key(const std::string& name) { return push({orv::UiEvent::Kind::Key, name}); }
  ScriptedInput& type(const std::string& text) { return push({orv::UiEvent::Kind::Type, text}); }
  ScriptedInput& select(int id, int index) { return push({orv::UiEvent::Kind::Select, "", id, index}); }
  ScriptedInput& close() { return push({orv::UiEvent::Kind::Close, ""}); }
  ScriptedInput& then(std::function<void()> action) {
    steps.push_back({{}, std::move(action)});
    return *this;
  }

 private:
  ScriptedInput& push(orv::UiEvent event) {
    steps.push_back({std::move(event), nullptr});
    return *this;
  }
};

inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_file(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

/// The nine-line helix: a curve file with every settings line a user would write.
inline constexpr char helix_file[] =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
    "angles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n";

/// A fresh host and plug-in for every test: the module registered and attached, fakes installed,
/// settings at their load-time values, a scratch main directory holding ZLINKS/.
class KuvraTest : public ::testing::Test {
 protected:
  // The host of the test, made afresh: an empty database and window system, the globals at the
  // host's start values.
  orv::Host host_;
  orv::UseHost use_host_{host_};

  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kuvra-dialogs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    fs::create_directories(root_ / "ZLINKS");
    std::string err;
    ASSERT_TRUE(orv::set_main_dir(root_.string(), err)) << err;
    module_ = orv::register_module("kuvra", &zlink_resources);
    DllMain(module_, DLL_PROCESS_ATTACH, nullptr);
    AfxSetResourceHandle(orv::host_module());
    orv::install_front_end(&front_);
    orv::install_input_source(&input_);
    PlotSettings = initial_plot_settings;
  }

  void TearDown() override {
    // A step left over means the run ended before the person did all the test meant: its checks
    // never ran.
    EXPECT_TRUE(input_.steps.empty()) << input_.steps.size() << " scripted steps never ran";
    EXPECT_TRUE(input_.failures.empty()) << input_.failures.front();
    host_.windows.reset();
    orv::install_input_source(nullptr);
    orv::install_front_end(nullptr);
    DllMain(module_, DLL_PROCESS_DETACH, nullptr);
    orv::unregister_module(module_);
    pool_release();
    PlotSettings = initial_plot_settings;
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  fs::path file(const std::string& name, const std::string& text) const {
    write_file(root_ / name, text);
    return root_ / name;
  }

  /// Thread messages posted so far, oldest first, as (message, wParam).
  std::vector<std::pair<UINT, WPARAM>> posted() {
    std::vector<std::pair<UINT, WPARAM>> out;
    for (const MSG& m : host_.windows.thread_messages()) out.emplace_back(m.message, m.wParam);
    return out;
  }

  /// The id of the control that has the focus, 0 for none.
  static int focus_id() {
    HWND f = ::GetFocus();
    return f != nullptr ? ::GetDlgCtrlID(f) : 0;
  }

  fs::path root_;
  HINSTANCE module_ = nullptr;
  FakeFrontEnd front_;
  ScriptedInput input_;
};

}  // namespace kuvra_test
