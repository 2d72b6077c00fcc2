// The last refusal of a host service, as the graphics window shows it: "refused: WHY", with the
// count of its repeats, until the next plot. The Zlink never says why a curve is missing, so the
// words stay through the inputs that follow and go only once geometry came after the input that
// followed the refusal: a new plot.
#pragma once
#include <cstdint>
#include <string>

#include "interaction/saving.h"

namespace orv::interaction {

class RefusalStrip {
 public:
  /// A refusal told by the host (`repeats` as FrontEnd::refused has it): it replaces the one shown.
  void refused(const std::string& why, int64_t repeats);
  /// An input was handed to the Zlink; `made` is what the Zlink had made by then.
  void input_taken(const Made& made);
  /// The words to show now ("" for none), given what the Zlink has made so far.
  const std::string& shown(const Made& made);

 private:
  std::string text_;
  int64_t inputs_ = 0;          // inputs handed out so far
  int64_t refusal_input_ = 0;   // inputs_ when the refusal came
  Made made_at_input_{};        // what was made at the last input
};

}  // namespace orv::interaction
