// JSON Lines transcript. Texts from the Zlink are single-byte strings that need not be UTF-8; they
// are written with invalid bytes replaced, so that one odd byte never loses the whole line.
#include "platform/transcript.h"

#include <cerrno>
#include <cstring>

#include "platform/platform_state.h"

namespace orv {

Transcript::~Transcript() {
  if (file_ != nullptr) std::fclose(file_);
}

bool Transcript::open(const std::string& path, std::string& err) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    err = path + ": " + std::strerror(errno);
    ok_ = false;
    return false;
  }
  ok_ = true;
  return true;
}

bool Transcript::record(const nlohmann::ordered_json& event) {
  if (file_ == nullptr) return false;
  std::string line = event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  line += '\n';
  bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0;
  if (!written) ok_ = false;
  return written;
}

void Transcript::zlink(const std::string& path, int version) {
  record({{"event", "zlink"}, {"path", path}, {"version", version}});
}

void Transcript::prompt(const std::string& default_path, const std::optional<std::string>& chosen) {
  nlohmann::ordered_json e = {{"event", "prompt"}, {"default", default_path}};
  e["chosen"] = chosen ? nlohmann::ordered_json(*chosen) : nlohmann::ordered_json(nullptr);
  record(e);
}

void Transcript::message(const std::string& text, const std::string& caption) {
  record({{"event", "message"}, {"text", text}, {"caption", caption}});
}

void Transcript::show(const std::string& path) { record({{"event", "show"}, {"path", path}}); }

void Transcript::edit(const std::string& path) { record({{"event", "edit"}, {"path", path}}); }

void Transcript::pick(const std::optional<std::array<double, 3>>& point) {
  nlohmann::ordered_json e = {{"event", "pick"}};
  e["point"] = point ? nlohmann::ordered_json({(*point)[0], (*point)[1], (*point)[2]}) : nlohmann::ordered_json(nullptr);
  record(e);
}

void Transcript::q_main(int result) { record({{"event", "q_main"}, {"result", result}}); }

void Transcript::refused(const std::string& service, const std::string& why, int64_t repeats) {
  nlohmann::ordered_json e = {{"event", "refused"}, {"service", service}, {"why", why}};
  if (repeats > 0) e["repeats"] = repeats;
  record(e);
}

Transcript* install_transcript(Transcript* t) {
  Transcript* old = platform_state().transcript;
  platform_state().transcript = t;
  return old;
}

Transcript* transcript() { return platform_state().transcript; }

}  // namespace orv
