// Resources come from the current resource module and from no other; the loader checks what it loads.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>

#include "platform/modules.h"
#include "platform/test_dialog.h"
#include "platform/zlink_loader.h"

namespace orv::test {
namespace {

TEST(Resources, TemplatesAndStringsLoadFromTheCurrentModuleOnly) {
  Fixture fx;
  HINSTANCE other = register_module("other", &other_resources());
  char buf[32];

  EXPECT_EQ(AfxLoadString(1, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "alpha");
  EXPECT_EQ(LoadStringA(other, 1, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "other");
  EXPECT_EQ(AfxLoadString(2, buf, sizeof buf), 4);
  EXPECT_EQ(LoadStringA(fx.module, 3, buf, 3), 2);  // cut to the buffer
  EXPECT_STREQ(buf, "ga");
  EXPECT_EQ(LoadStringA(fx.module, 77, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");

  auto a = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(a->Create(kTestDialog));
  EXPECT_EQ(fx.state.windows.find(a->m_hWnd)->text, "Test");

  AfxSetResourceHandle(other);
  EXPECT_EQ(AfxLoadString(2, buf, sizeof buf), 0);  // "beta" is not in the other module
  auto b = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(b->Create(kTestDialog));
  EXPECT_EQ(fx.state.windows.find(b->m_hWnd)->text, "Other");
  EXPECT_STREQ(b->list.GetCount() > 0 ? "filled" : "", "filled");

  AfxSetResourceHandle(fx.module);
  CDialog only_other(502, nullptr);
  EXPECT_FALSE(only_other.Create(502));  // exists only in the module that is not current
  EXPECT_EQ(only_other.DoModal(), -1);

  unregister_module(other);
  EXPECT_EQ(LoadStringA(other, 1, buf, sizeof buf), 0);
}

TEST(Resources, UnregisteringTheCurrentModuleFallsBackToTheHost) {
  HINSTANCE saved = AfxGetResourceHandle();
  HINSTANCE m = register_module("gone", &other_resources());
  AfxGetModuleState()->m_hCurrentResourceHandle = m;
  EXPECT_EQ(AfxGetResourceHandle(), m);
  unregister_module(m);
  EXPECT_EQ(AfxGetResourceHandle(), host_module());
  AfxSetResourceHandle(saved);
}

TEST(Resources, BrokenTablesAreNamed) {
  const ControlTemplate twice[] = {{5, CTL_EDIT, "", 0, 0, 1, 1, 0}, {5, CTL_EDIT, "", 0, 0, 1, 1, 0}};
  const DialogTemplate d[] = {{7, "x", 10, 10, 8, "f", 0, twice, 2}};
  EXPECT_EQ(check_resources(ResourceTable{kResourceFormatVersion, d, 1, nullptr, 0}),
            "dialog 7: control 5 declared twice");
  EXPECT_EQ(check_resources(ResourceTable{3, nullptr, 0, nullptr, 0}), "resource format 3, expected 1 to 2");
  EXPECT_EQ(check_resources(ResourceTable{0, nullptr, 0, nullptr, 0}), "resource format 0, expected 1 to 2");
  EXPECT_EQ(check_resources(ResourceTable{kResourceFormatVersion, nullptr, 3, nullptr, 0}), "dialog table missing");
  EXPECT_EQ(check_resources(test_resources()), "");
}

// A 2 x 2 bitmap of a 3-colour palette; each case below breaks one thing about it.
struct BitmapCase {
  BitmapColor palette[3] = {{0, 0, 0}, {255, 255, 255}, {0, 160, 0}};
  uint8_t pixels[4] = {0, 1, 2, 1};
  BitmapResource bitmap{1107, 2, 2, palette, 3, pixels, 4};
  std::string check() const { return check_resources(ResourceTable{kResourceFormatVersion, nullptr, 0, nullptr, 0, &bitmap, 1}); }
};

TEST(Resources, BrokenBitmapsAreNamed) {
  EXPECT_EQ(BitmapCase{}.check(), "");
  BitmapCase c;
  c.pixels[3] = 3;
  EXPECT_EQ(c.check(), "bitmap 1107: pixel 3 is colour 3 of a palette of 3");
  c = {};
  c.bitmap.pixel_count = 3;
  EXPECT_EQ(c.check(), "bitmap 1107: 3 pixels for 2 x 2");
  c = {};
  c.bitmap.pixels = nullptr;
  EXPECT_EQ(c.check(), "bitmap 1107: 4 pixels for 2 x 2");
  c = {};
  c.bitmap.width = 0;
  EXPECT_EQ(c.check(), "bitmap 1107: size 0 x 2 out of range");
  c = {};
  c.bitmap.height = 70000;  // would overflow width * height
  EXPECT_EQ(c.check(), "bitmap 1107: size 2 x 70000 out of range");
  c = {};
  c.bitmap.color_count = 257;
  EXPECT_EQ(c.check(), "bitmap 1107: palette of 257 colours unusable");
  c = {};
  c.bitmap.palette = nullptr;
  EXPECT_EQ(c.check(), "bitmap 1107: palette of 3 colours unusable");

  BitmapCase a, b;
  const BitmapResource twice[] = {a.bitmap, b.bitmap};
  EXPECT_EQ(check_resources(ResourceTable{kResourceFormatVersion, nullptr, 0, nullptr, 0, twice, 2}),
            "bitmap 1107 declared twice");
  EXPECT_EQ(check_resources(ResourceTable{kResourceFormatVersion, nullptr, 0, nullptr, 0, nullptr, 1}),
            "bitmap table missing");
}

TEST(Resources, BitmapsAreFoundByModuleAndId) {
  BitmapCase c;
  const ResourceTable table{kResourceFormatVersion, nullptr, 0, nullptr, 0, &c.bitmap, 1};
  HINSTANCE m = register_module("pictures", &table);
  HINSTANCE plain = register_module("plain", &other_resources());
  EXPECT_EQ(find_bitmap(m, 1107), &c.bitmap);
  EXPECT_EQ(find_bitmap(m, 1108), nullptr);
  EXPECT_EQ(find_bitmap(plain, 1107), nullptr);
  EXPECT_EQ(find_bitmap(host_module(), 1107), nullptr);

  // A format 1 table ends before the bitmap members: whatever lies there is never read.
  BitmapCase broken;
  broken.pixels[0] = 9;
  const ResourceTable old{1, nullptr, 0, nullptr, 0, &broken.bitmap, 1};
  EXPECT_EQ(check_resources(old), "");
  HINSTANCE o = register_module("old", &old);
  EXPECT_EQ(find_bitmap(o, 1107), nullptr);

  unregister_module(m);
  EXPECT_EQ(find_bitmap(m, 1107), nullptr);
  unregister_module(plain);
  unregister_module(o);
}

TEST(ExtensionModules, LibraryEntriesAreReleasedAtTermination) {
  HINSTANCE m = register_module("ext", &other_resources());
  AFX_EXTENSION_MODULE ext;
  EXPECT_TRUE(AfxInitExtensionModule(ext, m));
  new CDynLinkLibrary(ext, FALSE);
  new CDynLinkLibrary(ext, FALSE);
  EXPECT_EQ(library_entries_of(m), 2);
  AfxTermExtensionModule(ext, FALSE);
  EXPECT_EQ(library_entries_of(m), 0);
  new CDynLinkLibrary(ext, FALSE);  // left behind: unregistering the module deletes it
  unregister_module(m);
  EXPECT_EQ(library_entries_of(m), 0);
  AFX_EXTENSION_MODULE unknown;
  EXPECT_FALSE(AfxInitExtensionModule(unknown, reinterpret_cast<HINSTANCE>(0x1234)));
}

TEST(Loader, RunsASoundZlinkBetweenAttachAndDetach) {
  Zlink z(platform_state().windows);
  std::string err;
  ASSERT_TRUE(z.load(TEST_zlink_good, err)) << err;
  EXPECT_EQ(z.version(), 1200);
  EXPECT_TRUE(module_exists(z.module()));
  EXPECT_EQ(library_entries_of(z.module()), 1);  // made at process attach
  HINSTANCE before = AfxGetResourceHandle();
  EXPECT_EQ(z.run(), 1);
  EXPECT_EQ(AfxGetResourceHandle(), before);
  void* lib = dlopen(TEST_zlink_good, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(lib, nullptr);
  CDialog* left = *static_cast<CDialog**>(dlsym(lib, "leaked_dialog"));
  dlclose(lib);
  ASSERT_NE(left, nullptr);
  EXPECT_TRUE(::IsWindow(left->m_hWnd));
  HINSTANCE m = z.module();
  z.unload();
  EXPECT_EQ(left->m_hWnd, nullptr);  // the window it forgot was closed before the library went
  for (HWND h : platform_state().windows.z_order())
    EXPECT_EQ(platform_state().windows.find(h)->kind, WindowKind::Frame);
  delete left;
  EXPECT_FALSE(module_exists(m));
  EXPECT_EQ(library_entries_of(m), 0);  // released at process detach
  EXPECT_FALSE(z.loaded());
}

TEST(Loader, RefusesWhatIsNotAZlinkOfThisHost) {
  Zlink z(platform_state().windows);
  std::string err;
  EXPECT_FALSE(z.load(TEST_zlink_no_main, err));
  EXPECT_EQ(err, std::string(TEST_zlink_no_main) + ": not a Zlink: it has no q_main");
  EXPECT_FALSE(z.load(TEST_zlink_old_version, err));
  EXPECT_EQ(err, std::string(TEST_zlink_old_version) + ": built for host interface 1100, this host is 1200");
  EXPECT_FALSE(z.load("/nonexistent/kuvra.so", err));
  EXPECT_EQ(err.rfind("/nonexistent/kuvra.so: cannot load: ", 0), 0u) << err;
  EXPECT_FALSE(z.loaded());
  EXPECT_EQ(z.run(), 0);
}

}  // namespace
}  // namespace orv::test
