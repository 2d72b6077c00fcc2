// The installed platform state; see platform_state.h.
#include "platform/platform_state.h"

namespace orv {
namespace {

PlatformState* g_installed = nullptr;

// Kept to the end of the process: framework objects may outlive every static.
PlatformState& own_state() {
  static PlatformState* state = new PlatformState();
  return *state;
}

}  // namespace

PlatformState& platform_state() { return g_installed != nullptr ? *g_installed : own_state(); }

PlatformState* install_platform_state(PlatformState* state) {
  PlatformState* old = g_installed;
  g_installed = state;
  return old;
}

}  // namespace orv
