// Nearest words; see nearest_name.h.
#include "nearest_name.h"

#include <algorithm>
#include <cctype>

#include "equation/operators.h"

namespace {

char folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool starts_with_folded(const std::string& text, const std::string& start) {
  if (start.size() > text.size()) return false;
  for (size_t i = 0; i < start.size(); ++i)
    if (folded(text[i]) != folded(start[i])) return false;
  return true;
}

}  // namespace

int edit_distance(const std::string& a, const std::string& b) {
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
  for (size_t i = 0; i <= n; ++i) d[i][0] = static_cast<int>(i);
  for (size_t j = 0; j <= m; ++j) d[0][j] = static_cast<int>(j);
  for (size_t i = 1; i <= n; ++i)
    for (size_t j = 1; j <= m; ++j) {
      const int cost = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) && folded(a[i - 2]) == folded(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[n][m];
}

std::string nearest_word(const std::string& word, const std::vector<std::string>& vocabulary) {
  std::string best;
  int best_distance = 0;
  for (const std::string& candidate : vocabulary) {
    const int distance = edit_distance(word, candidate);
    if (best.empty() || distance < best_distance) best = candidate, best_distance = distance;
  }
  if (best.empty()) return "";
  const bool close = best_distance * 3 <= static_cast<int>(word.size()) + 1;
  const bool prefix = word.size() >= 3 && (starts_with_folded(word, best) || starts_with_folded(best, word));
  if (close || prefix) return best;
  // A longer function name the word begins with ("cosine" and "cos") may lie farther than another.
  for (const std::string& candidate : vocabulary)
    if (candidate.size() >= 2 && word.size() >= 3 && starts_with_folded(word, candidate)) return candidate;
  return "";
}

std::vector<std::string> function_names() {
  std::vector<std::string> names;
  for (int id = op_abs; id < op_end; ++id) names.push_back(OperatorTable[id].name);
  return names;
}
