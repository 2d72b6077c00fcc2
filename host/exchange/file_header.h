// What an exchange file says about itself in its header: its own name, the system that wrote it and
// the length unit. Shared by the STEP and IGES writers so that both name themselves alike.
#pragma once
#include <string>

namespace orv::exchange::detail {

/// The writing system, with the host's version ("Orvantis 1.0").
std::string system_name();

/// The length unit every exchange file is written in (OpenCASCADE's default, millimetres).
inline constexpr const char* kLengthUnitText = "lengths in millimetres";

/// When the file was written, in UTC, as "YYYY-MM-DDTHH:MM:SS": the time given by SOURCE_DATE_EPOCH
/// (seconds since 1970) when that is set to a number, so that two exports of the same geometry are
/// byte-identical, else the current time. IGES writes the same fields as "YYYYMMDD.HHMMSS".
std::string file_time();
std::string iges_file_time();

/// The last component of `path`, with every character a header string could not hold as it is
/// (outside printable ASCII, or a quote or backslash, which STEP would need escaped) replaced by '_'.
std::string header_file_name(const std::string& path);

}  // namespace orv::exchange::detail
