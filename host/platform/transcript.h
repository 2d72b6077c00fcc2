// The run's transcript: host-side events as JSON Lines, one object a line, written and flushed as
// they happen so that a run that ends badly still leaves what happened before. The application
// opens one and installs it; the layers that see the events (loader, message boxes, the front ends'
// requests) record into whichever is installed.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace orv {

class Transcript {
 public:
  Transcript() = default;
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  /// Opens (truncates) `path`; false with `err` when it cannot be written.
  bool open(const std::string& path, std::string& err);
  /// Writes one event line; false when the write failed (remembered in ok()).
  bool record(const nlohmann::ordered_json& event);
  bool ok() const { return ok_; }

  // The events of the contract.
  void zlink(const std::string& path, int version);
  void prompt(const std::string& default_path, const std::optional<std::string>& chosen);
  void message(const std::string& text, const std::string& caption);
  void show(const std::string& path);
  void edit(const std::string& path);
  void pick(const std::optional<std::array<double, 3>>& point);
  void q_main(int result);
  /// A host service refused its input; `repeats` > 0 notes that the refusal before came again.
  void refused(const std::string& service, const std::string& why, int64_t repeats = 0);

 private:
  std::FILE* file_ = nullptr;
  bool ok_ = true;
};

/// Installs the transcript that events are recorded into (null: none) in the installed host's state
/// (platform_state.h); returns the old one.
Transcript* install_transcript(Transcript* transcript);
Transcript* transcript();

}  // namespace orv
