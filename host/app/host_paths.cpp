// The choice between the build tree's and the installation's paths, by where the executable is.
#include "app/host_paths.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace orv::app {
namespace {

std::string real_path(const std::string& p) {
  char buf[PATH_MAX];
  if (!::realpath(p.c_str(), buf)) return {};
  return buf;
}

std::string parent(const std::string& p) {
  std::string::size_type slash = p.find_last_of('/');
  return slash == std::string::npos ? std::string{} : p.substr(0, slash);
}

}  // namespace

HostPaths host_paths() {
  HostPaths paths;
  std::string dir = parent(real_path("/proc/self/exe"));
  if (dir.empty() || dir == real_path(ORV_BUILD_BIN_DIR)) {
    paths.zlink = ORV_BUILD_ZLINK;
    paths.data_dir = ORV_BUILD_DATA;
  } else {
    std::string prefix = parent(dir);
    paths.zlink = prefix + "/" + ORV_INSTALL_ZLINK;
    paths.data_dir = prefix + "/" + ORV_INSTALL_DATA;
    paths.installed = true;
  }
  return paths;
}

}  // namespace orv::app
