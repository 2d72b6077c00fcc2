// Where the host finds its own Kuvra Zlink and its data directory. A build-tree orvantis uses the
// kuvra.so and the data copy of its build; an installed one (its executable in the install's bin
// directory) uses the installed Zlink and data. Both sets of paths are compiled in.
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
