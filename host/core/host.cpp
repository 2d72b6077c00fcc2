// The installed Host; see host.h.
#include "core/host.h"

namespace orv {
namespace {

Host* g_host = nullptr;

// Kept to the end of the process, as framework objects may outlive every static.
Host& own_host() {
  static Host* host = new Host();
  return *host;
}

void install(Host* host) {
  g_host = host;
  install_platform_state(host);
  host->apply_globals();
}

// The process's own Host is installed when the host's library is loaded, before any shim is
// called, so that the platform's shims and the rest reach one and the same record.
[[maybe_unused]] const bool g_own_installed = (host(), true);

}  // namespace

void Host::apply_globals() const {
  main_color = globals.main_color;
  gr_back_color = globals.back_color;
  main_level = globals.main_level;
  surf_step_chord_dev = globals.chord_deviation;
  n_places_an = globals.trace_places;
  tol = globals.least_step;
  main_attrib = globals.main_attrib;
}

Host& host() {
  if (g_host == nullptr) install(&own_host());
  return *g_host;
}

UseHost::UseHost(Host& host) : previous_(&orv::host()) { install(&host); }

UseHost::~UseHost() { install(previous_); }

}  // namespace orv
