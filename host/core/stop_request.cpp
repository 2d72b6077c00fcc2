// The one flag a signal handler writes. sig_atomic_t is the type a handler may write and the rest
// of the program read without tearing.
#include "core/stop_request.h"

#include <csignal>

namespace orv {
namespace {
volatile std::sig_atomic_t g_stop_signal = 0;
volatile std::sig_atomic_t g_out_of_memory = 0;
}

void note_out_of_memory() noexcept { g_out_of_memory = 1; }
bool out_of_memory() noexcept { return g_out_of_memory != 0; }
void clear_out_of_memory() noexcept { g_out_of_memory = 0; }

void note_stop_signal(int signal) noexcept { g_stop_signal = signal; }
int stop_signal() noexcept { return g_stop_signal; }
void clear_stop_signal() noexcept { g_stop_signal = 0; }

}  // namespace orv
