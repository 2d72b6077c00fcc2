// The editor hand-over: the terminal given to the editor's process and taken back.
#include "frontend/terminal_editor.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/file_services.h"
#include "interaction/editor_choice.h"

namespace orv::frontend {

int run_editor(TerminalScreen& screen, const std::string& command, const std::string& path) {
  std::vector<std::string> args = interaction::editor_arguments(command, normalize_path(path));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int status = 127;
  screen.handed_over([&] {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execv("/bin/sh", argv.data());
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
