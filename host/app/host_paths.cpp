// The choice between the build tree's and the installation's paths, by where the executable is.
#include "app/host_paths.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace orv::app {
namespace {

std::string real_path(const std::string& p) {
  char buf[PATH_MAX];
  if (!::realpath(p.c_str(), buf)) return {};
  return buf;
}

std::string executable_dir() {
  std::string exe = real_path("/proc/self/exe");
  std::string::size_type slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string{} : exe.substr(0, slash);
}

}  // namespace

HostPaths host_paths() {
  HostPaths paths;
  std::string dir = executable_dir();
  std::string install_bin = real_path(ORV_INSTALL_BIN);
  if (!dir.empty() && !install_bin.empty() && dir == install_bin) {
    paths.zlink = ORV_INSTALL_ZLINK;
    paths.data_dir = ORV_INSTALL_DATA;
    paths.installed = true;
  } else {
    paths.zlink = ORV_BUILD_ZLINK;
    paths.data_dir = ORV_BUILD_DATA;
  }
  return paths;
}

}  // namespace orv::app
