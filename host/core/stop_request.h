// A stop asked for from outside the host (SIGINT, SIGTERM): the signal handler records it here and
// nothing else, since a handler may do little safely; the plot service, the front ends and the
// application read it at their next chance and wind the session down.
#pragma once

namespace orv {

/// Records that `signal` asked the host to stop. Async-signal-safe: only a flag is written.
void note_stop_signal(int signal) noexcept;
/// The signal that asked to stop, 0 when none did.
int stop_signal() noexcept;
/// Forgets a recorded signal (the terminal, where SIGINT stops the plot but not the session).
void clear_stop_signal() noexcept;

}  // namespace orv
