// The host's record: everything one session of the host holds, made by the application (or a test)
// and handed by reference to what needs it. Only the shims that the Zlink calls with no context
// (the geometry, file and person services of sdk/orvantis/) reach it through host(); the platform's
// shims reach its PlatformState part the same way (platform/platform_state.h).
// The Zlink reads its settings as the globals of orvantis/host_geometry.h; a Host keeps their
// values, starting from the host's start values, and installing it sets the globals to them.
#pragma once
#include <cstdint>
#include <string>

#include "core/database.h"
#include "kernel/host_defaults.h"
#include "orvantis/host_geometry.h"
#include "platform/platform_state.h"

namespace orv {

class FrontEnd;

/// The values of the globals the Zlink reads at plot time (orvantis/host_geometry.h).
struct HostGlobals {
  uint8_t main_color = kStartMainColor;
  uint8_t back_color = kStartBackColor;        // gr_back_color
  int32_t main_level = kStartMainLevel;
  double chord_deviation = kStartChordDeviation;  // surf_step_chord_dev
  int16_t trace_places = kStartTracePlaces;    // n_places_an
  double least_step = kStartLeastStep;         // tol
  attributes main_attrib{};                    // attributes of new entities
};

/// The directories the file services hand the Zlink: each is "" until set or first asked for.
struct HostDirectories {
  std::string main;      // ends with "/"
  std::string temp;      // ends with "/"
  std::string temp_c;    // the text GetTempDirectory hands out; stays valid until the next change
};

/// The refusals told so far: the last one, folded with its repeats, and how many came in all.
struct RefusalLog {
  std::string service, why;  // the refusal told last
  int64_t repeats = 0;       // how many times it came again since, untold so far
  bool any = false;          // a refusal is being counted
  int64_t count = 0;         // refusals reported, repeats included
};

struct Host : PlatformState {
  GeometryDatabase database;     // the session's geometry
  HostGlobals globals;           // the Zlink's settings, set into the globals when installed
  HostDirectories directories;   // main and temporary directory
  FrontEnd* front_end = nullptr;  // the person, as the host's services see them, or none
  RefusalLog refusals;
  std::string last_error;        // why the last geometry or file service failed ("" after a
                                 // geometry service that succeeded)

  /// Sets the Zlink's globals to `globals`.
  void apply_globals() const;
};

/// The installed Host, for the shims only (and the front ends until they are handed one). A process
/// that installed none has one of its own.
Host& host();

/// Installs a Host for the shims for as long as it lives, setting the globals to its values, and
/// puts back the one before (and its globals) when it ends. The Host must outlive it.
class UseHost {
 public:
  explicit UseHost(Host& host);
  ~UseHost();
  UseHost(const UseHost&) = delete;
  UseHost& operator=(const UseHost&) = delete;

 private:
  Host* previous_;
};

}  // namespace orv
