// Marks drawn once a pixel: the cell table's answers at pixel borders and between looks, and that a
// dense picture draws no more than its pixels and looks the same as the marks drawn once each.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include "view/drawn_cells.h"
#include "view/palette.h"
#include "view/picture.h"
#include "view/test_shapes.h"

namespace orv::view {
namespace {

TEST(DrawnCellsTest, AMarkIsDrawnUnlessItsPixelLastTookTheSameLook) {
  const uint16_t red = mark_look(MarkShape::Dot, 12), blue = mark_look(MarkShape::Dot, 9);
  const uint16_t red_cross = mark_look(MarkShape::Cross, 12);
  struct Step {
    P2 at;
    uint16_t look;
    bool drawn;
  } steps[] = {
      {{10.2, 5.7}, red, true},
      {{10.9, 5.01}, red, false},         // same pixel, same look
      {{11.0, 5.5}, red, true},           // the next pixel starts at 11
      {{10.5, 5.5}, red_cross, true},     // another shape in the first pixel
      {{10.5, 5.5}, red, true},           // the cross was the last there, so red is drawn again
      {{10.5, 5.5}, red, false},
      {{10.5, 5.5}, blue, true},          // another colour
      {{0.0, 0.0}, red, true},            // the corner pixel
      {{0.4, 0.99}, red, false},
      {{39.999, 29.999}, red, true},      // the last pixel of a 40 x 30 raster
      {{39.5, 29.5}, red, false},
      {{-0.5, 3.0}, red, true},           // off the raster: always drawn
      {{-0.5, 3.0}, red, true},
      {{40.0, 3.0}, red, true},
      {{40.0, 3.0}, red, true},
      {{3.0, 30.0}, red, true},
      {{NAN, 3.0}, red, true},
      {{3.0, INFINITY}, red, true},
  };
  DrawnCells cells(40, 30);
  std::size_t drawn = 0;
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    EXPECT_EQ(cells.first(s.at, s.look), s.drawn) << "step " << i;
    drawn += s.drawn;
  }
  EXPECT_EQ(cells.drawn(), drawn);
}

TEST(DrawnCellsTest, HugePicturesKeepTheirCellsSparse) {
  // More pixels than the dense table takes; the answers are the same.
  const int side = 8192;
  ASSERT_GT(int64_t{side} * side, kMaxDenseCells);
  DrawnCells cells(side, side);
  const uint16_t look = mark_look(MarkShape::Cross, 3);
  EXPECT_TRUE(cells.first({8000.5, 8100.5}, look));
  EXPECT_FALSE(cells.first({8000.1, 8100.9}, look));
  EXPECT_TRUE(cells.first({8001.1, 8100.9}, look));
  EXPECT_TRUE(cells.first({8000.1, 8100.9}, mark_look(MarkShape::Dot, 3)));
  EXPECT_EQ(cells.drawn(), 3u);
}

class DensePictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv_dense_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    for (const char* f : {"/a.png", "/b.png", "/a.svg"}) ::unlink((dir_ + f).c_str());
    ::rmdir(dir_.c_str());
  }
  static PictureOptions bare() {
    PictureOptions o;
    o.caption = false;
    o.axes = false;
    return o;
  }
  // The PNG's pixels, row after row, without the padding of each row.
  static std::string png_pixels(const std::string& path) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    std::string out;
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
      const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
      const int stride = cairo_image_surface_get_stride(s);
      const char* data = reinterpret_cast<const char*>(cairo_image_surface_get_data(s));
      for (int y = 0; y < h; ++y) out.append(data + static_cast<std::size_t>(y) * stride, 4 * static_cast<std::size_t>(w));
    }
    cairo_surface_destroy(s);
    return out;
  }
  // How many shapes an SVG draws (no text: pictures here have no legend and no axes).
  static std::size_t svg_paths(const std::string& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    std::size_t n = 0;
    for (std::size_t at = text.find("<path"); at != std::string::npos; at = text.find("<path", at + 1)) ++n;
    return n;
  }
  std::string dir_;
};

// Forty places on a circle, each marked (and stored as a point) 2500 times over: 100000 marks of
// each kind look exactly like the forty drawn once. Drawn every time, the smoothed edge of each
// mark would darken with each layer.
TEST_F(DensePictureTest, CoincidentMarksGiveTheSamePixelsAsEachMarkOnce) {
  constexpr int kPlaces = 40, kRepeats = 2500;
  GeometryDatabase many, once;
  for (int r = 0; r < kRepeats; ++r) {
    for (int i = 0; i < kPlaces; ++i) {
      const double a = 2 * M_PI * i / kPlaces;
      const double x = 3 * std::cos(a), y = 3 * std::sin(a);
      many.add(shapes::point(x, y, 0, static_cast<uint8_t>(9 + i % 3)));
      many.add_mark({{x, y + 0.4, 0}, static_cast<uint8_t>(12 + i % 2)});
      if (r == 0) {
        once.add(shapes::point(x, y, 0, static_cast<uint8_t>(9 + i % 3)));
        once.add_mark({{x, y + 0.4, 0}, static_cast<uint8_t>(12 + i % 2)});
      }
    }
  }
  ASSERT_EQ(many.marks().size(), std::size_t{kPlaces} * kRepeats);
  std::string err;
  ASSERT_TRUE(write_picture(dir_ + "/a.png", many, 320, 240, bare(), err)) << err;
  ASSERT_TRUE(write_picture(dir_ + "/b.png", once, 320, 240, bare(), err)) << err;
  const std::string a = png_pixels(dir_ + "/a.png"), b = png_pixels(dir_ + "/b.png");
  ASSERT_EQ(a.size(), 320u * 240u * 4u);
  EXPECT_TRUE(a == b) << "the repeated marks changed the picture";
}

// 100000 marks and 100000 stored lines far shorter than a pixel, along a diagonal 200 pixels long:
// each look is drawn at most once in each pixel the diagonal crosses.
TEST_F(DensePictureTest, DenseMarksAndSubPixelLinesDrawAtMostOnceAPixel) {
  constexpr int kMarks = 100000;
  GeometryDatabase db;
  for (int i = 0; i < kMarks; ++i) {
    const double t = static_cast<double>(i) / kMarks;
    db.add_mark({{t, t, 0}, 14});
    db.add(shapes::line(t, -t, 0, t + 1e-7, -t, 0, 7));
  }
  std::string err;
  ASSERT_TRUE(write_picture(dir_ + "/a.svg", db, 200, 400, bare(), err)) << err;
  const std::size_t paths = svg_paths(dir_ + "/a.svg");
  // Each diagonal crosses at most about 2 x 200 pixels; a cross mark is one path, a dot one path.
  EXPECT_GT(paths, 200u);
  EXPECT_LE(paths, 2u * 2u * 200u + 10u) << "marks were drawn more than once a pixel";

  // The short lines alone still show, as dots of their colour.
  GeometryDatabase lines;
  for (int i = 0; i < kMarks; ++i) {
    const double t = static_cast<double>(i) / kMarks;
    lines.add(shapes::line(t, -t, 0, t + 1e-7, -t, 0, 7));
  }
  ASSERT_TRUE(write_picture(dir_ + "/a.png", lines, 200, 400, bare(), err)) << err;
  cairo_surface_t* s = cairo_image_surface_create_from_png((dir_ + "/a.png").c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  const Rgb line = color_rgb(7), back = color_rgb(PictureOptions{}.background);
  // Top view: the lines run down a diagonal; sample the middle column.
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  auto distance = [](uint32_t v, Rgb c) {
    const int r = (v >> 16) & 255, g = (v >> 8) & 255, b = v & 255;
    return std::abs(r - static_cast<int>(c.r * 255 + 0.5)) + std::abs(g - static_cast<int>(c.g * 255 + 0.5)) +
           std::abs(b - static_cast<int>(c.b * 255 + 0.5));
  };
  int lit = 0;
  for (int y = 0; y < 400; ++y) {
    const uint32_t v = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * 100);
    // Lit towards the line's grey: a dot 1.3 pixels wide covers no pixel whole.
    if (distance(v, line) < distance(v, back)) ++lit;
  }
  cairo_surface_destroy(s);
  EXPECT_GT(lit, 0) << "no sub-pixel line was drawn in the middle column";
}

}  // namespace
}  // namespace orv::view
