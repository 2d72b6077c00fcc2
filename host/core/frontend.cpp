// The host services that need a person, forwarded to the installed front end. Every request and its
// answer is recorded in the transcript here, once for every front end, before the Zlink's fixed
// buffers are guarded: a chosen path that would not fit 256 bytes is treated as no choice, and a
// picked point that is not finite is not handed on. Refusals are told here too, with runs of one
// refusal folded into a count.
#include "core/frontend.h"

#include <cmath>
#include <cstring>
#include <optional>

#include "core/file_services.h"
#include "core/host.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "platform/transcript.h"

namespace orv {
namespace {

void tell(const std::string& service, const std::string& why, int64_t repeats) {
  if (Transcript* t = transcript()) t->refused(service, why, repeats);
  if (FrontEnd* fe = front_end(); fe != nullptr) fe->refused(service, why, repeats);
}

// An edit or a view: the path with "/" for "\", recorded before the front end opens the file, so
// that what happens while it is open follows in the transcript. Nothing without a front end.
void hand_file(const char* path, void (Transcript::*record)(const std::string&),
               void (FrontEnd::*open)(const std::string&)) {
  FrontEnd* fe = front_end();
  if (fe == nullptr || path == nullptr) return;
  const std::string normal = normalize_path(path);
  if (Transcript* t = transcript()) (t->*record)(normal);
  (fe->*open)(normal);
}

}  // namespace

void report_refusal(const std::string& service, const std::string& why) {
  RefusalLog& last = host().refusals;
  ++last.count;
  if (last.any && last.service == service && last.why == why) {
    ++last.repeats;
    return;
  }
  flush_refusals();
  last.service = service;
  last.why = why;
  last.repeats = 0;
  last.any = true;
  tell(service, why, 0);
}

void flush_refusals() {
  RefusalLog& last = host().refusals;
  if (last.any && last.repeats > 0) tell(last.service, last.why, last.repeats);
  last.service.clear();
  last.why.clear();
  last.repeats = 0;
  last.any = false;
}

int64_t refusal_count() { return host().refusals.count; }

FrontEnd* install_front_end(FrontEnd* fe) {
  FrontEnd* old = host().front_end;
  host().front_end = fe;
  return old;
}

FrontEnd* front_end() { return host().front_end; }

bool export_for_person(const Exporter& exporter, const std::string& path, std::string& status) {
  if (path.empty()) {
    status = "Export cancelled: no path given";
    return false;
  }
  std::string err;
  if (!exporter(path, err)) {
    status = err.empty() ? path + ": could not be written" : err;
    return false;
  }
  status = "Wrote " + path;
  return true;
}

}  // namespace orv

int PromptForFileToOpen(char* path, const char* mode, const char* filter, int flags1, int flags2,
                        HMODULE module, HWND owner) {
  (void)flags1;
  (void)flags2;
  (void)module;
  orv::FrontEnd* fe = orv::front_end();
  if (fe == nullptr || path == nullptr) return 0;
  const std::string given(path, strnlen(path, orv::kPathBufferSize - 1));
  std::string chosen = given;
  const bool answered = fe->PromptForFileToOpen(chosen, mode ? mode : "r", filter ? filter : "", owner);
  if (orv::Transcript* t = orv::transcript())
    t->prompt(given, answered ? std::optional<std::string>(chosen) : std::nullopt);
  if (!answered) return 0;
  if (chosen.empty() || chosen.size() >= orv::kPathBufferSize ||
      chosen.find('\0') != std::string::npos)
    return 0;
  std::memcpy(path, chosen.c_str(), chosen.size() + 1);
  return 1;
}

void edit_filename(const char* path, int flag) {
  (void)flag;
  orv::hand_file(path, &orv::Transcript::edit, &orv::FrontEnd::edit_filename);
}

void list_filename(const char* path, const char* unused1, const char* unused2) {
  (void)unused1;
  (void)unused2;
  orv::hand_file(path, &orv::Transcript::show, &orv::FrontEnd::list_filename);
}

void point_proc(const char* prompt, char* code, double* point, char* ok) {
  if (ok) *ok = 0;
  orv::FrontEnd* fe = orv::front_end();
  if (fe == nullptr || point == nullptr) return;
  std::array<double, 3> p{point[0], point[1], point[2]};
  const bool picked = fe->point_proc(prompt ? prompt : "", p);
  if (orv::Transcript* t = orv::transcript())
    t->pick(picked ? std::optional<std::array<double, 3>>(p) : std::nullopt);
  if (!picked) return;
  if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return;
  point[0] = p[0];
  point[1] = p[1];
  point[2] = p[2];
  if (code) *code = 1;  // the one kind of pick there is: a point in space
  if (ok) *ok = 1;
}

void clean_pt(char code, double* point) {
  (void)code;
  if (orv::FrontEnd* fe = orv::front_end(); fe != nullptr && point != nullptr)
    fe->clean_pt({point[0], point[1], point[2]});
}
