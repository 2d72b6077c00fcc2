// The Zlink loader: opens a plug-in library, checks that it answers the host-interface version,
// registers it as a module with its resources, calls its library entry for process attach, runs
// q_main, and at the end calls the entry for process detach and unloads it.
#pragma once
#include <string>

#include "orvantis/win_types.h"

namespace orv {

class WindowSystem;

constexpr int kHostInterfaceVersion = 1200;

class Zlink {
 public:
  /// A Zlink whose windows are those of `windows`, which must outlive it.
  explicit Zlink(WindowSystem& windows) : windows_(windows) {}
  ~Zlink();  // unloads
  Zlink(const Zlink&) = delete;
  Zlink& operator=(const Zlink&) = delete;

  /// Loads the library at `path`. False with `err` ("path: what went wrong") when it cannot be
  /// opened, lacks q_main or q_version, answers another version, or has unusable resources; nothing
  /// of such a library runs but q_version.
  bool load(const std::string& path, std::string& err);
  /// Runs q_main once (recorded in the transcript); returns its result.
  int run();
  /// Detach, close every window the Zlink left open, unregister, unload. Safe to call twice.
  void unload();

  bool loaded() const { return handle_ != nullptr; }
  HINSTANCE module() const { return module_; }
  int version() const { return version_; }
  const std::string& path() const { return path_; }

 private:
  WindowSystem& windows_;
  void* handle_ = nullptr;
  HINSTANCE module_ = nullptr;
  int version_ = 0;
  std::string path_;
  int (*q_main_)() = nullptr;
  BOOL (*entry_)(HINSTANCE, DWORD, LPVOID) = nullptr;
};

}  // namespace orv
