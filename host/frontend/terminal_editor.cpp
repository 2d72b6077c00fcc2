// The editor hand-over: the command through the shell, so that "$EDITOR" may carry options, and the
// path as an argument, never pasted into the command text.
#include "frontend/terminal_editor.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include "core/file_services.h"

namespace orv::frontend {

std::string editor_command() {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return "vi";
}

int run_editor(TerminalScreen& screen, const std::string& path) {
  // The command goes through the shell so that "$EDITOR" may carry options; the path is passed as
  // an argument, never pasted into the command text.
  const std::string command = editor_command() + " \"$1\"";
  const std::string file = normalize_path(path);
  int status = 127;
  screen.handed_over([&] {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", command.c_str(), "sh", file.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (pid > 0) {
      int st = 0;
      while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
      }
      status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
    }
  });
  return status;
}

}  // namespace orv::frontend
