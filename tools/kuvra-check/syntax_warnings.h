// Forms from other languages and tools that this language reads as something else: "x(t) = ..." as a
// definition, a misspelt function ("sinn(t)"), "//" as a comment, ";" as the end of a statement,
// "**" as a power, and a settings keyword given a word it does not take ("geometry = surface").
// Each warning says what the line does here and what to write instead.
#pragma once
#include <vector>

#include "line_view.h"

/// Warns on the forms above in a line that compiled (a statement or a settings line).
void check_foreign_syntax(const LineView& view, std::vector<Warning>* out);

/// Warns on a settings line that gives `geometry` or `angles` a value it does not take; such a line
/// fails when read, so only its tokens (no program) are in `view`.
void check_settings_value(const LineView& view, std::vector<Warning>* out);
