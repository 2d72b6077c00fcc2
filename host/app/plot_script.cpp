// The generated script of `orvantis plot FILE.eqn`, in the script front end's own line format.
#include "app/plot_script.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv::app {

bool make_plot_script(const std::string& equation_file, std::string& script, std::string& err) {
  if (equation_file.find_first_of("\r\n") != std::string::npos) {
    err = "plot: the file name holds a line break";
    return false;
  }
  script = "# orvantis plot\n";
  script += "prompt " + equation_file + "\n";
  // By caption, as a person finds them: the host knows no Zlink's control ids.
  script += "press Plot it\n";
  script += "press Cancel\n";
  return true;
}

bool check_plot_file(const std::string& equation_file, std::string& err) {
  // The file is handed to the prompt as one script line.
  if (equation_file.find_first_of("\r\n") != std::string::npos) {
    err = "plot: the file name holds a line break";
    return false;
  }
  const std::string named = "plot: " + equation_file + ": ";
  struct stat st;
  if (::stat(equation_file.c_str(), &st) != 0) {
    err = named + "cannot be read: " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    err = named + "is a directory";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    err = named + "not a regular file";
    return false;
  }
  int fd = ::open(equation_file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    err = named + "cannot be read: " + std::strerror(errno);
    return false;
  }
  ::close(fd);
  return true;
}

}  // namespace orv::app
