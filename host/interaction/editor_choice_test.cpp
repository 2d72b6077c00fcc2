// Which editor a file is handed to, with and without an editor of the front end's own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "interaction/editor_choice.h"

namespace orv::interaction {
namespace {

TEST(EditorChoice, VisualThenTheFrontEndsOwnOrEditorThenVi) {
  const char* v = std::getenv("VISUAL");
  const char* e = std::getenv("EDITOR");
  const std::string saved_v = v ? v : "", saved_e = e ? e : "";
  ::setenv("VISUAL", "myvisual -f", 1);
  ::setenv("EDITOR", "myeditor", 1);
  EXPECT_EQ(choose_editor(false).command, "myvisual -f");
  EXPECT_FALSE(choose_editor(true).own);  // $VISUAL wins over the window's own editor
  EXPECT_EQ(choose_editor(true).command, "myvisual -f");
  ::setenv("VISUAL", "", 1);  // set but empty counts as not set
  EXPECT_EQ(choose_editor(false).command, "myeditor");
  EXPECT_TRUE(choose_editor(true).own);  // $EDITOR is the terminal's fallback, not the window's
  ::unsetenv("VISUAL");
  ::unsetenv("EDITOR");
  EXPECT_EQ(choose_editor(false).command, "vi");
  EXPECT_TRUE(choose_editor(true).own);
  if (v) ::setenv("VISUAL", saved_v.c_str(), 1);
  if (e) ::setenv("EDITOR", saved_e.c_str(), 1);
}

TEST(EditorChoice, ThePathIsAnArgumentNeverPartOfTheCommand) {
  const std::vector<std::string> args = editor_arguments("vim -n", "/w/a b;rm x.eqn");
  const std::vector<std::string> want = {"sh", "-c", "vim -n \"$1\"", "sh", "/w/a b;rm x.eqn"};
  EXPECT_EQ(args, want);
}

}  // namespace
}  // namespace orv::interaction
