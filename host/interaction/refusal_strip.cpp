// The refusal strip's words and when they go.
#include "interaction/refusal_strip.h"

namespace orv::interaction {

void RefusalStrip::refused(const std::string& why, int64_t repeats) {
  text_ = "refused: " + why + (repeats > 0 ? " (" + std::to_string(repeats) + " more times)" : "");
  refusal_input_ = inputs_;
}

void RefusalStrip::input_taken(const Made& made) {
  ++inputs_;
  made_at_input_ = made;
}

const std::string& RefusalStrip::shown(const Made& made) {
  if (!text_.empty() && refusal_input_ < inputs_ && made != made_at_input_) text_.clear();
  return text_;
}

}  // namespace orv::interaction
