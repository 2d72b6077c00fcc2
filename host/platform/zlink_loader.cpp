// dlopen-based loading. The library is opened with RTLD_NOW so that a Zlink calling a host function
// the host does not have fails at load, with the linker's message, rather than in the middle of a run.
#include "platform/zlink_loader.h"

#include <dlfcn.h>

#include "orvantis/resource_format.h"
#include "platform/modules.h"
#include "platform/transcript.h"
#include "platform/window_system.h"

namespace orv {

Zlink::~Zlink() { unload(); }

bool Zlink::load(const std::string& path, std::string& err) {
  unload();
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    const char* why = dlerror();
    err = path + ": cannot load: " + (why ? why : "unknown error");
    return false;
  }
  auto version = reinterpret_cast<int (*)()>(dlsym(h, "q_version"));
  auto main = reinterpret_cast<int (*)()>(dlsym(h, "q_main"));
  if (main == nullptr || version == nullptr) {
    err = path + ": not a Zlink: it has no " + (main == nullptr ? "q_main" : "q_version");
    dlclose(h);
    return false;
  }
  int v = version();
  if (v != kHostInterfaceVersion) {
    err = path + ": built for host interface " + std::to_string(v) + ", this host is " +
          std::to_string(kHostInterfaceVersion);
    dlclose(h);
    return false;
  }
  auto resources = static_cast<const ResourceTable*>(dlsym(h, kResourceSymbol));
  if (resources != nullptr) {
    std::string bad = check_resources(*resources);
    if (!bad.empty()) {
      err = path + ": unusable resources: " + bad;
      dlclose(h);
      return false;
    }
  }
  handle_ = h;
  path_ = path;
  version_ = v;
  q_main_ = main;
  entry_ = reinterpret_cast<BOOL (*)(HINSTANCE, DWORD, LPVOID)>(dlsym(h, "DllMain"));
  module_ = register_module(path, resources);
  if (entry_ != nullptr) entry_(module_, DLL_PROCESS_ATTACH, nullptr);
  if (Transcript* t = transcript()) t->zlink(path, v);
  return true;
}

int Zlink::run() {
  if (q_main_ == nullptr) return 0;
  int result = q_main_();
  if (Transcript* t = transcript()) t->q_main(result);
  return result;
}

void Zlink::unload() {
  if (handle_ == nullptr) return;
  if (entry_ != nullptr) entry_(module_, DLL_PROCESS_DETACH, nullptr);
  // A Zlink's windows do not outlive it: a window left open would reach code that is unloaded.
  WindowSystem& ws = windows_;
  std::vector<HWND> left;
  for (HWND h : ws.z_order())
    if (Window* w = ws.find(h); w != nullptr && w->kind != WindowKind::Frame) left.push_back(h);
  for (HWND h : left) ws.destroy(h);
  ws.window_messages().clear();
  ws.thread_messages().clear();
  ws.collect();
  unregister_module(module_);  // also deletes library entries the Zlink left behind
  dlclose(handle_);
  handle_ = nullptr;
  module_ = nullptr;
  q_main_ = nullptr;
  entry_ = nullptr;
  version_ = 0;
}

}  // namespace orv
