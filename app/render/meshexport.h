#pragma once
// Mesh export: the surfaces of a render job as one indexed triangle mesh in the
// graph's own coordinates, for 3D printing and other programs.
//
// The mesh comes from the same polygons the picture is drawn from: the grid
// walk's cell polygons (each crossing point on a grid edge is one vertex, however
// many cells use it) or the parametric forms' quadrilaterals (each sample one
// vertex), both split into triangles. Every triangle turns counter-clockwise
// around its outward normal: for an inequality or an intersection that is the
// side where the region ends, and such a region is closed into a solid by caps
// where it meets the faces of the box. An equation's surface points towards the
// side where its right side is below its left (out of a sphere or a torus).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "render/render.h"

namespace vx {

struct ExportMesh {
  std::vector<double> positions;         // x, y, z of every vertex
  std::vector<float> normals;            // unit x, y, z of every vertex (area-weighted)
  std::vector<std::uint32_t> colors;     // 0xRRGGBB of every vertex
  std::vector<std::uint32_t> triangles;  // three vertex numbers per triangle

  std::size_t vertexCount() const { return colors.size(); }
  std::size_t triangleCount() const { return triangles.size() / 3; }
};

// Builds the mesh of `job` with the state's colour options, the renderer's colour
// table and its vertex pool. kNoGraph with a reason for what has no surface: a
// vector field, a parametric curve, or surfaces that are all empty. kCancelled
// when `host` stopped it; `out` is then incomplete.
Status buildExportMesh(Renderer& renderer, LangState& state, const RenderJob& job, ExportMesh& out,
                       std::string& reason, Host* host = nullptr);

// The file forms. STL has no shared vertices: every triangle carries its three
// corners and its normal. OBJ has vertices with their normals, PLY vertices with
// their colours; both number them from the mesh.
enum class MeshFormat { StlBinary, StlAscii, Obj, PlyBinary, PlyAscii };

// The bytes of the mesh in one form (numbers in the C locale's notation).
std::string encodeMesh(const ExportMesh& mesh, MeshFormat format);

}  // namespace vx
