// Where the host finds its own Kuvra Zlink and its data directory. The orvantis of the build tree
// uses the kuvra.so and the data copy of its build; any other (an installed one) uses the Zlink and
// data installed beside it, under the prefix its bin directory stands in.
#pragma once
#include <string>

namespace orv::app {

struct HostPaths {
  std::string zlink;     // the default Zlink
  std::string data_dir;  // the default main directory, ending in "/"
  bool installed = false;
};

/// The paths for the running executable.
HostPaths host_paths();

}  // namespace orv::app
