// The generated script of `orvantis plot FILE.eqn`, in the script front end's own line format.
#include "app/plot_script.h"

#include "dialogs/resource_ids.h"

namespace orv::app {

bool make_plot_script(const std::string& equation_file, std::string& script, std::string& err) {
  if (equation_file.find_first_of("\r\n") != std::string::npos) {
    err = "plot: the file name holds a line break";
    return false;
  }
  script = "# orvantis plot\n";
  script += "prompt " + equation_file + "\n";
  script += "click " + std::to_string(IDC_PLOT_IT) + "\n";
  script += "click " + std::to_string(IDC_CANCEL) + "\n";
  return true;
}

}  // namespace orv::app
