// The word of a fixed vocabulary nearest to a misspelt one, for "did you mean" advice: the fewest
// single-character insertions, deletions, substitutions or swaps of neighbours, letter case ignored.
#pragma once
#include <string>
#include <vector>

/// Edit distance between `a` and `b` (optimal string alignment), comparing letters without case.
int edit_distance(const std::string& a, const std::string& b);

/// The word of `vocabulary` nearest to `word`, or "" when none is near enough to be a likely
/// misspelling: within a third of the word's length, or one word the start of the other.
std::string nearest_word(const std::string& word, const std::vector<std::string>& vocabulary);

/// The language's function names, in table order.
std::vector<std::string> function_names();
