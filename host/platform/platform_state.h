// The part of the host's state that the platform's own shims reach: the window system and the
// transcript. The Win32-style functions, the framework classes and the message box are called by the
// Zlink with no context, so they find it here; everything else is handed the window system it
// works on. The host's record (core/host.h) is a PlatformState, and installing a Host installs it
// here too: one record, one installed pointer.
#pragma once
#include "platform/window_system.h"

namespace orv {

class Transcript;

struct PlatformState {
  PlatformState() = default;
  PlatformState(const PlatformState&) = delete;
  PlatformState& operator=(const PlatformState&) = delete;
  virtual ~PlatformState() = default;

  WindowSystem windows;              // every window of the session
  Transcript* transcript = nullptr;  // where the session's events are recorded, or none
};

/// The installed state, for the shims only. A process that installed none has one of its own.
PlatformState& platform_state();
/// Installs `state` (null: the process's own) for the shims; returns the one it replaces. Called by
/// the host's install (core/host.h); the caller keeps `state` alive while it is installed.
PlatformState* install_platform_state(PlatformState* state);

}  // namespace orv
