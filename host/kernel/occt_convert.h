// Conversions between the host's B-spline records and OpenCASCADE's B-spline curves and surfaces.
// Kept apart from kernel.h so that only the files that talk to OpenCASCADE pay for its headers.
#pragma once
#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include "orvantis/host_geometry.h"

namespace orv::kernel {

/// OpenCASCADE's curve for a well-formed record (check_curve); a null handle otherwise. Rational
/// when the weights differ. Never throws.
Handle(Geom_BSplineCurve) to_occt_curve(const nb_type& nb);
/// OpenCASCADE's surface for a well-formed record (check_surface); a null handle otherwise.
Handle(Geom_BSplineSurface) to_occt_surface(const nb_type& nb);

/// The record of an OpenCASCADE curve or surface (full knot vectors, poles row-major along u).
/// False for a null handle or a periodic one that cannot be unperiodised.
bool from_occt_curve(const Handle(Geom_BSplineCurve)& curve, nb_type& out);
bool from_occt_surface(const Handle(Geom_BSplineSurface)& surface, nb_type& out);

/// Removes OpenCASCADE's console printers, once per process, so that its readers and writers stay
/// silent on standard output.
void silence_occt_messages();

}  // namespace orv::kernel
