// The built kuvra.so loaded as the host loads any Zlink: opened, version checked, resources
// registered, attached, run, detached and unloaded.
#include "dialogs/resource_ids.h"
#include "dialogs/tests/dialog_test_support.h"
#include "platform/zlink_loader.h"

namespace kuvra_test {
namespace {

using PluginLoadTest = KuvraTest;

TEST_F(PluginLoadTest, TheHostLoadsAndRunsThePlugin) {
  orv::Zlink zlink;
  std::string err;
  ASSERT_TRUE(zlink.load(KUVRA_SO_PATH, err)) << err;
  EXPECT_EQ(zlink.version(), 1200);
  EXPECT_EQ(orv::library_entries_of(zlink.module()), 1);
  ASSERT_NE(orv::find_dialog_template(zlink.module(), IDD_KUVRA), nullptr);
  EXPECT_STREQ(orv::find_string(zlink.module(), IDS_WARNING), "Warning");

  fs::path path = file("line.eqn", "step_var1 = t\nx = t\n");
  front_.prompts = {std::nullopt, path.string()};
  EXPECT_EQ(zlink.run(), 0);
  input_.select(IDC_GEOMETRY, 2).click(IDC_PLOT_IT).click(IDC_OK);
  EXPECT_EQ(zlink.run(), 1);
  EXPECT_EQ(orv::database().size(), 4u);  // lines between the five points of 0..1 by 0.25
  EXPECT_EQ(read_file(path),
            "step_var1 = t\nstep_size1 = 0.25\nlower_limit1 = 0\nupper_limit1 = 1\ngeometry = lines\n"
            "angles = degrees\norigin = 0, 0, 0\nx = t\n");
  zlink.unload();
  EXPECT_FALSE(zlink.loaded());
}

}  // namespace
}  // namespace kuvra_test
