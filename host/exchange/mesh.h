// Triangle meshes of the host's surfaces, and the STL and OBJ files made of them. A surface is
// sampled on a parameter grid fine enough to stay within the chord deviation; where its edges meet
// (a closed direction) or a row collapses to a point (a sphere's pole) the samples are welded into
// one vertex, so a closed surface gives a watertight mesh a 3D printer accepts.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>
#include "core/entity.h"

namespace orv::exchange {

/// Most samples along one direction of a surface, whatever the chord deviation asks for.
constexpr int kMaxMeshSamples = 1024;

struct Mesh {
  std::vector<std::array<double, 3>> vertices;
  std::vector<std::array<int32_t, 3>> triangles;  // vertex indices, counter-clockwise seen from outside
  double missed = 0;  // when kMaxMeshSamples stopped the refinement: the deviation reached (else 0)
};

/// Triangulates a well-formed surface record so that the midpoints of the triangles' edges and
/// their centres lie within kernel::shape_tolerance(chord_dev, poles, kMeshShapeRel) of the surface
/// (or the grid reached kMaxMeshSamples; then `missed` says how close it came).
/// Closed directions and collapsed rows share vertices; a closed mesh's normals point outwards.
/// False with `err` for a record that is not a surface.
bool mesh_surface(const nb_type& nb, double chord_dev, Mesh& out, std::string& err);

/// The volume a closed mesh encloses (negative when its triangles face inwards).
double enclosed_volume(const Mesh& mesh);

/// Most points of one curve's polyline, whatever the chord deviation asks for.
constexpr size_t kMaxPolylinePoints = 1 << 20;

/// The polyline of a well-formed curve record whose chords stay within
/// kernel::shape_tolerance(chord_dev, poles, kMeshShapeRel) of the curve: each knot span is halved until the curve at
/// a quarter, half and three quarters of a piece lies that close to the piece's chord. It starts and
/// ends at the curve's ends. False with `err` when it would take more than kMaxPolylinePoints.
bool polyline_of_curve(const nb_type& nb, double chord_dev, std::vector<std::array<double, 3>>& out,
                       std::string& err);

enum class MeshFormat { StlBinary, StlAscii, Obj, ThreeMf, Glb };

/// Writes the surfaces among `entities` as one mesh file, whole or not at all. Points and curves have
/// no mesh form: their number is put in `skipped` and they are left out. A surface whose mesh reached
/// kMaxMeshSamples before the chord deviation gets a line in `notes` (when given) saying how close it
/// came. False with "path: reason".
bool write_mesh(const std::string& path, MeshFormat format, const std::vector<const Entity*>& entities,
                double chord_dev, int& skipped, std::string& err, std::vector<std::string>* notes = nullptr);

}  // namespace orv::exchange
