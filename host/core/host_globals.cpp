// The host's globals that the Zlink reads at plot time, with their start values. The application
// may change them from its command line before the Zlink runs.
#include "kernel/host_defaults.h"
#include "orvantis/host_geometry.h"

uint8_t main_color = orv::kStartMainColor;
uint8_t gr_back_color = orv::kStartBackColor;
int32_t main_level = orv::kStartMainLevel;
attributes main_attrib{};
double surf_step_chord_dev = orv::kStartChordDeviation;
int16_t n_places_an = orv::kStartTracePlaces;
double tol = orv::kStartLeastStep;
