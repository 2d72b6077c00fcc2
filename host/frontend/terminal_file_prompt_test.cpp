// The folder listing the file prompt offers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include "frontend/terminal_file_prompt.h"

namespace orv::frontend {
namespace {

TEST(FolderListing, FoldersFirstThenMatchingFilesWithoutCase) {
  char tmpl[] = "/tmp/orv_prompt_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = std::string(tmpl) + "/";
  ASSERT_EQ(::mkdir((dir + "zeta").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir + "Alpha").c_str(), 0755), 0);
  for (const char* f : {"b.eqn", "A.EQN", "notes.txt", ".hidden.eqn"}) std::ofstream(dir + f) << "x\n";
  std::vector<FolderEntry> e;
  ASSERT_TRUE(list_folder(dir, ".EQN", e));
  std::vector<std::string> names;
  for (const auto& x : e) names.push_back(x.name);
  EXPECT_EQ(names, (std::vector<std::string>{"../", "Alpha/", "zeta/", "A.EQN", "b.eqn"}));
  EXPECT_TRUE(e[1].folder);
  EXPECT_FALSE(e[3].folder);
  ASSERT_TRUE(list_folder(dir, "", e));
  EXPECT_EQ(e.size(), 6u);  // every file with no filter
  EXPECT_FALSE(list_folder(dir + "missing/", ".EQN", e));
  ASSERT_TRUE(list_folder("/", "", e));
  EXPECT_TRUE(e.empty() || e[0].name != "../");
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace orv::frontend
