// Pictures: what lands in the pixels of a PNG, what an SVG holds, and that a failed write leaves
// nothing behind.
#include <gtest/gtest.h>

#include <cairo.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <optional>
#include <random>
#include <fstream>
#include <sstream>
#include "view/legend.h"
#include <cstring>
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
  const Camera camera = default_camera(scene);
  Viewport vp(scene.bounds(camera), 0, 0, 400, 300, 0.07, 1.0, camera);
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

// The centre of the pixels near colour `c`; (-1, -1) when there are none.
P2 centre_of(cairo_surface_t* s, Rgb c) {
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = 0; y < cairo_image_surface_get_height(s); ++y)
    for (int x = 0; x < cairo_image_surface_get_width(s); ++x)
      if (near_color(pixel_at(s, x, y), c, 24)) sx += x, sy += y, ++n;
  return n ? P2{sx / n, sy / n} : P2{-1, -1};
}

cairo_surface_t* draw_png(const std::string& path, const GeometryDatabase& db, const PictureOptions& o, int w = 400,
                          int h = 400) {
  std::string err;
  EXPECT_TRUE(write_picture(path, db, w, h, o, err)) << err;
  return cairo_image_surface_create_from_png(path.c_str());
}

// Stored points at the ends of the unit axes, each in its own colour, found again in the pixels.
TEST_F(PictureTest, AxisPointsLandWhereEachViewPutsThem) {
  GeometryDatabase db;
  db.add(shapes::point(1, 0, 0, 12));  // x red
  db.add(shapes::point(0, 1, 0, 10));  // y green
  db.add(shapes::point(0, 0, 1, 9));   // z blue
  db.add(shapes::point(0, 0, 0, 15));  // white origin, drawn last: over a point seen end-on
  PictureOptions o;
  o.caption = false;
  o.axes = false;
  struct Case {
    std::optional<NamedView> view;
    // Pixel directions from the origin (device y down): sign of dx and dy for x, y, z; 0 when the
    // point is hidden behind, or on top of, the origin.
    int x[2], y[2], z[2];
  } cases[] = {
      {std::nullopt, {1, 1}, {1, -1}, {0, -1}},  // isometric from above: x lower right, y upper right
      {NamedView::Top, {1, 0}, {0, -1}, {0, 0}},
      {NamedView::Front, {1, 0}, {0, 0}, {0, -1}},
      {NamedView::Right, {0, 0}, {1, 0}, {0, -1}},
  };
  for (const Case& c : cases) {
    o.view = c.view;
    SCOPED_TRACE(c.view ? view_name(*c.view) : "default");
    cairo_surface_t* s = draw_png(dir_ + "/axes.png", db, o);
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    P2 origin = centre_of(s, color_rgb(15));
    const std::pair<uint8_t, const int*> axes[] = {{12, c.x}, {10, c.y}, {9, c.z}};
    for (const auto& [color, dir] : axes) {
      P2 p = centre_of(s, color_rgb(color));
      if (dir[0] == 0 && dir[1] == 0) {
        // Behind the origin or on it: a dot at the origin's place, or nothing showing.
        EXPECT_TRUE(p.x < 0 || (std::fabs(p.x - origin.x) < 3 && std::fabs(p.y - origin.y) < 3)) << +color;
        continue;
      }
      ASSERT_GE(p.x, 0) << "colour " << +color << " not drawn";
      auto sign = [](double d) { return d > 20 ? 1 : d < -20 ? -1 : 0; };
      EXPECT_EQ(sign(p.x - origin.x), dir[0]) << "colour " << +color;
      EXPECT_EQ(sign(p.y - origin.y), dir[1]) << "colour " << +color;
    }
    cairo_surface_destroy(s);
  }
}

// Two squares, one above the other, overlapping in part: the nearer one's shade covers the other.
TEST_F(PictureTest, ShadingPaintsTheNearerSurfaceOverTheFarther) {
  GeometryDatabase db;
  db.add(shapes::square(0, 0, 2, 0, 12));  // red, below
  db.add(shapes::square(1, 1, 2, 1, 9));   // blue, above, over the red one's upper right quarter
  PictureOptions o;
  o.caption = false;
  o.axes = false;
  auto hue_at = [&](NamedView v, Point at) {
    o.view = v;
    cairo_surface_t* s = draw_png(dir_ + "/squares.png", db, o);
    Scene scene = picture_scene(db);
    Camera cam = picture_camera(scene, o);
    P2 d = picture_viewport(scene, cam, 400, 400, o).to_device(at);
    Pixel p = pixel_at(s, static_cast<int>(d.x), static_cast<int>(d.y));
    cairo_surface_destroy(s);
    return p;
  };
  // Inside the overlap (away from the wireframe), from above blue shows, from below red.
  Pixel above = hue_at(NamedView::Top, {1.6, 1.6, 1});
  EXPECT_GT(above.b, above.r + 40);
  Pixel below = hue_at(NamedView::Bottom, {1.6, 1.6, 0});
  EXPECT_GT(below.r, below.b + 40);
  // A shaded face is darker than its wireframe colour but not black.
  EXPECT_LT(above.b, static_cast<int>(color_rgb(9).b * 255));
  EXPECT_GT(above.b, 40);
  // Outside the overlap the red square still shows from above.
  Pixel red = hue_at(NamedView::Top, {0.4, 0.4, 0});
  EXPECT_GT(red.r, red.b + 40);
}

TEST_F(PictureTest, FlatContentIsSeenFromTheTopAndMarksGiveWayOnLargeSurfaces) {
  GeometryDatabase flat;
  flat.add(shapes::helix(1.0, 0.0, 1.0, 24, 12));  // a circle at z = 0
  PictureOptions o;
  EXPECT_EQ(picture_camera(picture_scene(flat), o).name, "top");
  o.view = NamedView::Front;
  EXPECT_EQ(picture_camera(picture_scene(flat), o).name, "front");
  o.view.reset();
  GeometryDatabase solid;
  solid.add(shapes::torus());
  EXPECT_EQ(picture_camera(picture_scene(solid), o).name, "trimetric");

  // Marks: kept for curves however many; over a surface only up to the limit, unless asked for.
  struct Case {
    bool surface;
    std::size_t marks;
    MarksMode mode;
    bool shown;
  } cases[] = {
      {false, 5000, MarksMode::Auto, true},          {true, kMaxSurfaceMarks, MarksMode::Auto, true},
      {true, kMaxSurfaceMarks + 1, MarksMode::Auto, false}, {true, 5000, MarksMode::On, true},
      {false, 3, MarksMode::Off, false},
  };
  for (const Case& c : cases) {
    Scene s;
    s.surfaces_n = c.surface ? 1 : 0;
    s.marks.assign(c.marks, Mark{{0, 0, 0}, 14, false});
    s.marks.push_back(Mark{{1, 1, 1}, 14, true});  // a stored point never counts as a mark
    EXPECT_EQ(picture_shows_marks(s, c.mode), c.shown) << c.marks << (c.surface ? " over a surface" : "");
  }
  EXPECT_EQ(parse_marks_mode("on"), MarksMode::On);
  EXPECT_EQ(parse_marks_mode("off"), MarksMode::Off);
  EXPECT_FALSE(parse_marks_mode("yes"));
}

TEST_F(PictureTest, LegendNamesTheViewTheScaleAndTheSize) {
  GeometryDatabase db;
  db.add(shapes::torus(2.0, 0.7, 11));
  for (int i = 0; i < 247; ++i) db.add_mark({{2.0, 0, 0}, 14});
  PictureOptions o;
  o.title = "torus.eqn";
  Scene scene = picture_scene(db);
  Camera cam = picture_camera(scene, o);
  Viewport vp = picture_viewport(scene, cam, 1200, 900, o);
  Legend l = picture_legend(scene, vp, 1200, o);
  EXPECT_EQ(l.left.rfind("torus.eqn", 0), 0u) << l.left;
  EXPECT_NE(l.left.find("1 surface, 247 marks (marks not drawn)"), std::string::npos) << l.left;
  EXPECT_EQ(l.right, "trimetric view  \u00b7  5.4 \u00d7 5.4 \u00d7 1.4 mm");
  // The bar: a round length, at most a fifth of the picture and more than a twelfth of it.
  EXPECT_EQ(l.bar_label, length_text(l.bar_length) + " mm");
  EXPECT_LE(l.bar_length * vp.scale(), 1200 / 5.0 + 1e-9);
  EXPECT_GT(l.bar_length * vp.scale(), 1200 / 12.0);
  EXPECT_EQ(round_length(l.bar_length), l.bar_length);
  o.marks = MarksMode::On;
  o.view = NamedView::Left;
  Legend on = picture_legend(scene, picture_viewport(scene, Camera::named(NamedView::Left), 1200, 900, o), 1200, o);
  EXPECT_EQ(on.left.find("not drawn"), std::string::npos);
  EXPECT_EQ(on.right.rfind("left view", 0), 0u);
  const Camera seen = perspective_camera(Camera::named(NamedView::Left), scene);
  EXPECT_EQ(picture_legend(scene, picture_viewport(scene, seen, 1200, 900, o), 1200, o).right.rfind("left view in perspective  \u00b7  ", 0), 0u);
  // Nothing drawn: no bar and no size.
  Scene empty;
  Legend none = picture_legend(empty, picture_viewport(empty, cam, 200, 200, o), 200, o);
  EXPECT_EQ(none.bar_length, 0);
  EXPECT_EQ(none.right, "trimetric view");
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

namespace orv::view {
namespace {

// A PNG's marks are copied into its pixels directly, other targets get them through cairo: the
// two must give the same pixels, where marks overlap each other and where they run off the edges.
TEST(PictureMarks, CopiedPixelsAreThoseCairoDraws) {
  Scene scene;
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> at(-0.05, 1.05);
  for (int i = 0; i < 3000; ++i) {
    const bool stored = i % 3 != 0;
    const uint8_t color = static_cast<uint8_t>(rng() % 16 + (i % 7 == 0 ? 200 : 0));
    scene.marks.push_back(Mark{{at(rng), at(rng), 0}, color, stored, stored ? i + 1 : 0});
  }
  scene.points = 2000;
  PictureOptions o;
  o.background = 15;
  o.caption = false;
  o.axes = false;
  o.view = NamedView::Top;
  o.marks = MarksMode::On;
  constexpr int kWidth = 320, kHeight = 200;
  auto drawn = [&](cairo_format_t format) {
    cairo_surface_t* s = cairo_image_surface_create(format, kWidth, kHeight);
    cairo_t* cr = cairo_create(s);
    draw_picture(cr, scene, kWidth, kHeight, o);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
  };
  cairo_surface_t* copied = drawn(CAIRO_FORMAT_RGB24);
  cairo_surface_t* by_cairo = drawn(CAIRO_FORMAT_ARGB32);
  int differ = 0, inked = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Pixel a = pixel_at(copied, x, y), b = pixel_at(by_cairo, x, y);
      differ += a.r != b.r || a.g != b.g || a.b != b.b;
      inked += !near_color(a, color_rgb(15), 0);
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(inked, kWidth * kHeight / 4);  // the marks cover much of it, overlapping
  cairo_surface_destroy(copied);
  cairo_surface_destroy(by_cairo);
}

}  // namespace
}  // namespace orv::view
