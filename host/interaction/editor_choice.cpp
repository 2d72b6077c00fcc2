// The choice of editor and its command line.
#include "interaction/editor_choice.h"

#include <cstdlib>

namespace orv::interaction {
namespace {

// The variable's value, "" when it is not set.
std::string variable(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

EditorChoice choose_editor(bool has_own) {
  if (std::string visual = variable("VISUAL"); !visual.empty()) return {false, visual};
  if (has_own) return {true, ""};
  if (std::string editor = variable("EDITOR"); !editor.empty()) return {false, editor};
  return {false, "vi"};
}

std::vector<std::string> editor_arguments(const std::string& command, const std::string& path) {
  return {"sh", "-c", command + " \"$1\"", "sh", path};
}

}  // namespace orv::interaction
