// The prompts' line editor: typing replaces the selected default, the caret moves and edits by code
// point, and the field scrolls to keep the caret in sight.
#include <gtest/gtest.h>

#include "frontend/terminal_line_edit.h"

namespace orv::frontend {
namespace {

Key key(Key::Type t, int ch = 0) {
  Key k;
  k.type = t;
  k.ch = ch;
  return k;
}

TEST(LineEdit, TypingReplacesTheDefaultAndTheCaretEditsWhereItStands) {
  LineEdit e("1, 2, 3");
  EXPECT_TRUE(e.selected);
  EXPECT_EQ(e.caret, 7);
  e.apply(key(Key::Char, '4'));  // the selection goes with the first character
  EXPECT_EQ(e.value(), "4");
  EXPECT_FALSE(e.selected);
  for (char c : std::string(", 5")) e.apply(key(c == ' ' ? Key::Space : Key::Char, c));
  EXPECT_EQ(e.value(), "4, 5");
  e.apply(key(Key::Home));
  e.apply(key(Key::Delete));
  e.apply(key(Key::Char, '7'));
  EXPECT_EQ(e.value(), "7, 5");
  e.apply(key(Key::End));
  e.apply(key(Key::Left));
  e.apply(key(Key::Backspace));
  EXPECT_EQ(e.value(), "7,5");
  EXPECT_EQ(e.caret, 2);
  // At either end, Backspace and Delete change nothing; the caret never leaves the text.
  e.apply(key(Key::Home));
  e.apply(key(Key::Backspace));
  e.apply(key(Key::Left));
  EXPECT_EQ(e.caret, 0);
  e.apply(key(Key::End));
  e.apply(key(Key::Delete));
  e.apply(key(Key::Right));
  EXPECT_EQ(e.value(), "7,5");
  EXPECT_EQ(e.caret, 3);
  EXPECT_FALSE(e.apply(key(Key::Tab)));  // not an editing key: the prompt's
}

TEST(LineEdit, BackspaceOnTheSelectionClearsItAndCodePointsStayWhole) {
  LineEdit e("d\u00e9j\u00e0");
  EXPECT_EQ(e.caret, 4);  // four code points, six bytes
  e.apply(key(Key::Backspace));
  EXPECT_EQ(e.value(), "");  // the selected default goes at once
  e.set("\u00e9t\u00e9");
  EXPECT_FALSE(e.selected);
  e.apply(key(Key::Backspace));
  EXPECT_EQ(e.value(), "\u00e9t");
  e.apply(key(Key::Char, 0x20AC));  // the euro sign, three bytes
  EXPECT_EQ(e.value(), "\u00e9t\u20ac");
}

}  // namespace
}  // namespace orv::frontend
