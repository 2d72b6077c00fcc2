// The rule of the question asked before leaving.
#include "interaction/leave_question.h"

#include "core/stop_request.h"

namespace orv::interaction {

LeaveChoice decide_leaving(const std::function<LeaveAnswer()>& ask, const std::function<SaveOutcome()>& save) {
  for (;;) {
    if (stop_signal() != 0) return LeaveChoice::Discard;
    switch (ask()) {
      case LeaveAnswer::None: break;
      case LeaveAnswer::Gone:
      case LeaveAnswer::Discard: return LeaveChoice::Discard;
      case LeaveAnswer::Back: return LeaveChoice::Back;
      case LeaveAnswer::Save:
        switch (save()) {
          case SaveOutcome::Written: return LeaveChoice::Saved;
          case SaveOutcome::Gone: return LeaveChoice::Discard;
          case SaveOutcome::NotWritten: break;
        }
        break;
    }
  }
}

}  // namespace orv::interaction
