// Pictures: what lands in the pixels of a PNG, what an SVG holds, and that a failed write leaves
// nothing behind.
#include <gtest/gtest.h>

#include <cairo.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include "core/file_services.h"
#include "view/palette.h"
#include "view/picture.h"
#include "view/projection.h"
#include "view/scene.h"
#include "view/test_shapes.h"

namespace orv::view {
namespace {

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv_view_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    for (const std::string& f : files()) ::unlink((dir_ + "/" + f).c_str());
    ::rmdir((dir_ + "/sub").c_str());
    ::rmdir(dir_.c_str());
  }
  std::vector<std::string> files() const {
    std::vector<std::string> out;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") out.push_back(n);
      }
      closedir(d);
    }
    return out;
  }
  std::string dir_;
};

// The pixel (x, y) of a PNG as 0..255 components.
struct Pixel {
  int r, g, b;
};
Pixel pixel_at(cairo_surface_t* s, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(s);
  uint32_t v = *reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(s) + 4 * x);
  return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
}
bool near_color(Pixel p, Rgb c, int slack) {
  return std::abs(p.r - static_cast<int>(c.r * 255 + 0.5)) <= slack &&
         std::abs(p.g - static_cast<int>(c.g * 255 + 0.5)) <= slack &&
         std::abs(p.b - static_cast<int>(c.b * 255 + 0.5)) <= slack;
}

TEST_F(PictureTest, PngShowsMarksInTheirColourOnTheBackground) {
  GeometryDatabase db;
  db.add_mark({{0, 0, 0}, 12});
  db.add_mark({{4, 0, 0}, 12});
  db.add_mark({{0, 4, 0}, 12});
  db.add_mark({{0, 0, 4}, 12});
  PictureOptions o;
  o.background = 15;
  o.caption = false;
  o.axes = false;
  std::string err, path = dir_ + "/marks.png";
  ASSERT_TRUE(write_picture(path, db, 400, 300, o, err)) << err;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 400);
  EXPECT_EQ(cairo_image_surface_get_height(s), 300);
  EXPECT_TRUE(near_color(pixel_at(s, 2, 2), color_rgb(15), 0));
  // The mark at the origin sits where the same fit puts it, drawn as a cross in colour 12.
  Scene scene = make_scene(db);
  Viewport vp(scene.bounds(), 0, 0, 400, 300, 0.07);
  P2 c = vp.to_device(Point{0, 0, 0});
  EXPECT_TRUE(near_color(pixel_at(s, static_cast<int>(c.x), static_cast<int>(c.y)), color_rgb(12), 40));
  // Every mark is inside the picture: the top one (z = 4) near the top margin.
  P2 top = vp.to_device(Point{0, 0, 4});
  EXPECT_NEAR(top.y, 300 * 0.5 - (300 - 2 * 0.07 * 300) * 0.5, 1.0);
  // Half-way between two marks the background shows.
  P2 mid = vp.to_device(Point{2, 0, 0});
  EXPECT_TRUE(near_color(pixel_at(s, static_cast<int>(mid.x), static_cast<int>(mid.y)), color_rgb(15), 0));
  cairo_surface_destroy(s);
}

TEST_F(PictureTest, CurvesAreDrawnAlongTheirWholeLength) {
  GeometryDatabase db;
  db.add(shapes::line(0, 0, 0, 0, 0, 10, 9));
  PictureOptions o;
  o.caption = false;
  o.axes = false;
  std::string err, path = dir_ + "/line.png";
  ASSERT_TRUE(write_picture(path, db, 200, 200, o, err)) << err;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  int lit = 0;
  for (int y = 0; y < 200; ++y) {
    // Antialiased: the line covers parts of the two columns beside the centre.
    Pixel a = pixel_at(s, 99, y), b = pixel_at(s, 100, y);
    lit += (a.b + b.b > 200 && a.r + b.r < a.b + b.b);
  }
  // A vertical line from margin to margin through the centre column.
  EXPECT_GT(lit, 200 - 2 * 14 - 4);
  EXPECT_TRUE(near_color(pixel_at(s, 100, 5), color_rgb(0), 0));
  cairo_surface_destroy(s);
}

TEST_F(PictureTest, SvgHoldsTheStrokesAndTheCaption) {
  GeometryDatabase db;
  db.add(shapes::helix());
  db.add(shapes::torus());
  std::string err, path = dir_ + "/parts.SVG";  // the extension in any case
  PictureOptions o;
  o.title = "demo";
  ASSERT_TRUE(write_picture(path, db, 640, 480, o, err)) << err;
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::string svg = text.str();
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("width=\"640"), std::string::npos);
  EXPECT_NE(svg.find("<path"), std::string::npos);
  EXPECT_EQ(files().size(), 1u);  // no temporary file left beside it
}

TEST_F(PictureTest, RefusalsAndFailedWritesLeaveNothingBehind) {
  GeometryDatabase db;
  db.add(shapes::helix());
  std::string err;
  EXPECT_FALSE(write_picture(dir_ + "/a.jpg", db, 100, 100, PictureOptions{}, err));
  EXPECT_NE(err.find("a.jpg"), std::string::npos);
  EXPECT_FALSE(write_picture(dir_ + "/a.png", db, 8, 100, PictureOptions{}, err));
  EXPECT_NE(err.find("8 x 100"), std::string::npos);
  EXPECT_FALSE(write_picture(dir_ + "/no/such/dir/a.png", db, 100, 100, PictureOptions{}, err));
  EXPECT_NE(err.find("no/such/dir/a.png: "), std::string::npos);
  // The target is a directory: the picture cannot replace it, and the directory stays.
  ASSERT_EQ(::mkdir((dir_ + "/sub").c_str(), 0755), 0);
  EXPECT_FALSE(write_picture(dir_ + "/sub", db, 100, 100, PictureOptions{}, err));  // no extension
  ASSERT_EQ(::rename((dir_ + "/sub").c_str(), (dir_ + "/sub.png").c_str()), 0);
  EXPECT_FALSE(write_picture(dir_ + "/sub.png", db, 100, 100, PictureOptions{}, err));
  struct stat st;
  ASSERT_EQ(::stat((dir_ + "/sub.png").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(files().size(), 1u);  // only the directory: the temporary file was removed
  ASSERT_EQ(::rename((dir_ + "/sub.png").c_str(), (dir_ + "/sub").c_str()), 0);
}

TEST_F(PictureTest, ReplacesAnExistingPictureWhole) {
  GeometryDatabase db;
  std::string err, path = dir_ + "/p.png";
  { std::ofstream(path) << "old"; }
  db.add(shapes::point(0, 0, 0));
  ASSERT_TRUE(write_picture(path, db, 64, 64, PictureOptions{}, err)) << err;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
  EXPECT_EQ(files().size(), 1u);
}

TEST_F(PictureTest, AReplacedPictureKeepsItsModeAndAFailedCommitKeepsTheOld) {
  GeometryDatabase db;
  db.add(shapes::point(0, 0, 0));
  std::string err, path = dir_ + "/p.svg";
  { std::ofstream(path) << "old"; }
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  set_commit_hook([](const std::string&) { return ENOSPC; });
  EXPECT_FALSE(write_picture(path, db, 64, 64, PictureOptions{}, err));
  set_commit_hook({});
  EXPECT_EQ(err, path + ": cannot replace it: " + std::strerror(ENOSPC));
  std::ifstream old(path);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>()), "old");
  EXPECT_EQ(files().size(), 1u);

  ASSERT_TRUE(write_picture(path, db, 64, 64, PictureOptions{}, err)) << err;
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_GT(st.st_size, 3);
}

}  // namespace
}  // namespace orv::view
