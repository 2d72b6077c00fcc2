// Rethrown only to be told apart; the caller has already caught it.
#include "core/failure_text.h"

#include <new>

namespace orv {

std::string failure_text(std::exception_ptr caught) {
  try {
    std::rethrow_exception(caught);
  } catch (const std::bad_alloc&) {
    return "the host ran out of memory";
  } catch (const std::exception& ex) {
    return std::string("the host failed: ") + ex.what();
  } catch (...) {
    return "the host failed for an unknown reason";
  }
}

}  // namespace orv
