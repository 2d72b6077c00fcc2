// Which editor the terminal hands a file to.
#include <gtest/gtest.h>

#include <cstdlib>
#include "frontend/terminal_editor.h"

namespace orv::frontend {
namespace {

TEST(Editor, VisualThenEditorThenVi) {
  const char* v = std::getenv("VISUAL");
  const char* e = std::getenv("EDITOR");
  std::string saved_v = v ? v : "", saved_e = e ? e : "";
  ::setenv("VISUAL", "myvisual", 1);
  ::setenv("EDITOR", "myeditor", 1);
  EXPECT_EQ(editor_command(), "myvisual");
  ::setenv("VISUAL", "", 1);
  EXPECT_EQ(editor_command(), "myeditor");
  ::unsetenv("VISUAL");
  ::unsetenv("EDITOR");
  EXPECT_EQ(editor_command(), "vi");
  if (v) ::setenv("VISUAL", saved_v.c_str(), 1);
  if (e) ::setenv("EDITOR", saved_e.c_str(), 1);
}

}  // namespace
}  // namespace orv::frontend
