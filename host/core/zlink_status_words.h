// What each status a Zlink notes (orvantis/host_notes.h) means, in words for the person who wrote
// the equation file: the host tells these, the Zlink only hands the numbers on. The words are the
// sdk's one table (orvantis/zlink_status_words.h), which the checking tool prints too.
#pragma once
#include "orvantis/zlink_status_words.h"

namespace orv {

/// "square root of a negative number" for -13; "status N" for a code the host does not know.
using orvantis::zlink_status_words;

/// True for the arithmetic failures of a step (-16 to -12), which a points plot skips.
constexpr bool is_domain_status(int status) { return status >= -16 && status <= -12; }

/// The status a plot that is refused for its size is noted with.
constexpr int kStatusRefusedForSize = -5;

}  // namespace orv
