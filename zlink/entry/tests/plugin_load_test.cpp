// The built kuvra.so loaded as the host loads any Zlink: opened, version checked, resources
// registered, attached, run, detached and unloaded.
#include "dialogs/resource_ids.h"
#include "dialogs/tests/dialog_test_support.h"
#include "platform/zlink_loader.h"

namespace kuvra_test {
namespace {

using PluginLoadTest = KuvraTest;

TEST_F(PluginLoadTest, TheHostLoadsAndRunsThePlugin) {
  orv::Zlink zlink(host_.windows);
  std::string err;
  ASSERT_TRUE(zlink.load(KUVRA_SO_PATH, err)) << err;
  EXPECT_EQ(zlink.version(), 1200);
  EXPECT_EQ(orv::library_entries_of(zlink.module()), 1);
  ASSERT_NE(orv::find_dialog_template(zlink.module(), IDD_KUVRA), nullptr);
  EXPECT_STREQ(orv::find_string(zlink.module(), IDS_WARNING), "Warning");
  for (auto [id, size] : {std::pair{IDB_KUVRA_24, 24}, std::pair{IDB_KUVRA_16, 16}}) {
    const BitmapResource* b = orv::find_bitmap(zlink.module(), id);
    ASSERT_NE(b, nullptr) << id;
    EXPECT_EQ(b->width, size);
    EXPECT_EQ(b->height, size);
    EXPECT_EQ(b->color_count, 256);
    // The icon is a green curve through dark dots on a light background.
    auto colour_count = [&](auto test) {
      int n = 0;
      for (int i = 0; i < b->pixel_count; ++i) n += test(b->palette[b->pixels[i]]) ? 1 : 0;
      return n;
    };
    EXPECT_GT(colour_count([](BitmapColor c) { return c.green > 100 && c.red < 50 && c.blue < 50; }), size);
    EXPECT_GT(colour_count([](BitmapColor c) { return c.red < 64 && c.green < 64 && c.blue < 64; }), 3);
    EXPECT_GT(colour_count([](BitmapColor c) { return c.red > 180 && c.green > 180 && c.blue > 180; }),
              size * size / 2);
  }

  fs::path path = file("line.eqn", "step_var1 = t\nx = t\n");
  front_.prompts = {std::nullopt, path.string()};
  EXPECT_EQ(zlink.run(), 0);
  input_.select(IDC_GEOMETRY, 2).click(IDC_PLOT_IT).click(IDC_OK);
  EXPECT_EQ(zlink.run(), 1);
  EXPECT_EQ(host_.database.size(), 4u);  // lines between the five points of 0..1 by 0.25
  EXPECT_EQ(read_file(path),
            "step_var1 = t\nstep_size1 = 0.25\nlower_limit1 = 0\nupper_limit1 = 1\ngeometry = lines\n"
            "angles = degrees\norigin = 0, 0, 0\nx = t\n");
  zlink.unload();
  EXPECT_FALSE(zlink.loaded());
}

}  // namespace
}  // namespace kuvra_test
