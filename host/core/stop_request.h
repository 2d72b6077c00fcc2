// A stop asked for from outside the host (SIGINT, SIGTERM, SIGHUP) or by the host running out of memory: the signal handler records it here and
// nothing else, since a handler may do little safely; the plot service, the front ends and the
// application read it at their next chance and wind the session down.
#pragma once

namespace orv {

/// Records that `signal` asked the host to stop. Async-signal-safe: only a flag is written.
void note_stop_signal(int signal) noexcept;
/// The signal that asked to stop, 0 when none did.
int stop_signal() noexcept;
/// Records that the host ran out of memory while a plot was under way: the plot is asked to stop at
/// its next check, as for a stop signal, instead of refusing every step that follows.
void note_out_of_memory() noexcept;
/// True when memory ran out since the last clear_out_of_memory().
bool out_of_memory() noexcept;
/// Forgets it (a new plot starts afresh).
void clear_out_of_memory() noexcept;
/// Forgets a recorded signal (the terminal, where SIGINT stops the plot but not the session).
void clear_stop_signal() noexcept;

}  // namespace orv
