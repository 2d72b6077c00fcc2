// The words for an exception caught where the host must go on (a service's boundary, the top of
// the run): one text for each kind, so that running out of memory reads the same everywhere.
#pragma once
#include <exception>
#include <string>

namespace orv {

/// "the host ran out of memory" for std::bad_alloc, "the host failed: WHAT" for another standard
/// exception, "the host failed for an unknown reason" for anything else.
std::string failure_text(std::exception_ptr caught);

}  // namespace orv
