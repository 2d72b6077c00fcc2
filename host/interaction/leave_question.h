// The question asked before leaving with geometry not yet saved, as a rule every front end follows:
// save (export), discard, or go back to the Zlink. Each front end shows the question its own way and
// reports the answer; what the answer leads to is decided here once. Nobody there to answer (the
// input ended, a stop signal) discards, since the host must be able to end.
#pragma once
#include <functional>

namespace orv::interaction {

/// What the person chose.
enum class LeaveChoice { Saved, Discard, Back };

/// One answer to the question: none yet (ask again), save, discard, back, or nobody is there.
enum class LeaveAnswer { None, Save, Discard, Back, Gone };

/// What became of the export a Save answer started.
enum class SaveOutcome { Written, NotWritten, Gone };

/// Asks with `ask` until a choice is made: a stop signal or Gone discards, Back and Discard are
/// taken as they are, and Save runs `save`: a file written is Saved, one not written asks again
/// (its status standing under the question), nobody there to answer the export discards.
LeaveChoice decide_leaving(const std::function<LeaveAnswer()>& ask, const std::function<SaveOutcome()>& save);

}  // namespace orv::interaction
