// The host's side of the OpenCASCADE module: finds it beside the host's library, loads it at the
// first STEP, IGES or GLB export, and calls its writers. An export whose module cannot be loaded is
// refused in words and writes nothing.
#include <dlfcn.h>

#include <mutex>
#include <string>

#include "exchange/exchange.h"
#include "exchange/mesh_files.h"
#include "exchange/occt_module.h"

namespace orv::exchange {
namespace occt {
namespace {

// The directory of the library holding this code (libqxcore.so), with its slash; "" when unknown.
std::string own_directory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&own_directory), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string file = info.dli_fname;
  const auto slash = file.find_last_of('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

}  // namespace

const Table* table(std::string& why) {
  static std::mutex lock;
  static const Table* loaded = nullptr;
  std::lock_guard<std::mutex> hold(lock);
  if (loaded != nullptr) return loaded;
  const std::string path = own_directory() + kModuleFile;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* e = dlerror();
    why = path;
    why += " cannot be loaded (";
    why += e ? e : "no reason given";
    why += ")";
    return nullptr;
  }
  using Entry = const Table* (*)();
  auto entry = reinterpret_cast<Entry>(dlsym(module, kEntryName));
  const Table* t = entry != nullptr ? entry() : nullptr;
  if (t == nullptr || t->version != kTableVersion) {
    why = path;
    why += " is not this build's";
    dlclose(module);
    return nullptr;
  }
  loaded = t;  // kept loaded for the rest of the process
  return loaded;
}

namespace {

// Refuses an export to `path` that needs the module when it cannot be had.
const Table* table_for(const std::string& path, const char* format, std::string& err) {
  std::string why;
  const Table* t = table(why);
  if (t == nullptr) {
    err = path;
    err += ": not written: ";
    err += format;
    err += " files are written by the OpenCASCADE module, and ";
    err += why;
  }
  return t;
}

}  // namespace
}  // namespace occt

bool write_step(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err) {
  const occt::Table* t = occt::table_for(path, "STEP", err);
  return t != nullptr && t->step(path, entities, plots, err);
}

bool write_iges(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err) {
  const occt::Table* t = occt::table_for(path, "IGES", err);
  return t != nullptr && t->iges(path, entities, plots, err);
}

namespace detail {

bool write_glb(const std::string& path, const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes,
               std::string& err) {
  const occt::Table* t = occt::table_for(path, "GLB", err);
  return t != nullptr && t->glb(path, surfaces, meshes, err);
}

}  // namespace detail
}  // namespace orv::exchange
