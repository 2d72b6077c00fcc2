// The legend of a picture: lengths in millimetres (model units) written without regard to the
// process locale, a scale bar of a round length, and the size of the content's bounding box.
#pragma once
#include <string>
#include "view/scene.h"

namespace orv::view {

/// The longest round length (1, 2 or 5 times a power of ten) not above `most`; 0 when `most` is
/// not a positive finite number.
double round_length(double most);

/// A length for people: four significant digits, no exponent from 1e-4 up to 1e6, a point as the
/// decimal separator whatever the locale ("12.5", "0.001", "2.000e+07").
std::string length_text(double v);

/// `text` as valid UTF-8, each byte that does not begin a valid sequence replaced by U+FFFD, so
/// that a file name in another encoding can still stand in a picture's legend.
std::string valid_utf8(const std::string& text);

/// "W x H x D mm", the size of the box along x, y and z; "empty" for an empty box.
std::string size_text(const Box3& box);

}  // namespace orv::view
