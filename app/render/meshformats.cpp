// The mesh file forms, written into one string: binary and text STL, OBJ, and
// binary and text PLY. Binary numbers are little-endian whatever the processor.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/meshexport.h"

namespace vx {

namespace {

class Bytes {
 public:
  explicit Bytes(std::string& out) : out_(out) {}

  void u8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void u16(std::uint16_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) u8((v >> shift) & 0xFF);
  }
  void f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  }
  void text(const char* s) { out_ += s; }
  // printf-style, for the text forms.
  template <class... Args>
  void format(const char* pattern, Args... args) {
    char buffer[160];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    if (n > 0) out_.append(buffer, std::size_t(n) < sizeof buffer ? std::size_t(n) : sizeof buffer - 1);
  }

 private:
  std::string& out_;
};

const double* corner(const ExportMesh& mesh, std::size_t triangle, int k) {
  return &mesh.positions[3 * std::size_t(mesh.triangles[3 * triangle + k])];
}

// The unit normal of a triangle from its corners (zero for one without area).
void faceNormal(const ExportMesh& mesh, std::size_t t, float out[3]) {
  const double *a = corner(mesh, t, 0), *b = corner(mesh, t, 1), *c = corner(mesh, t, 2);
  const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (int axis = 0; axis < 3; ++axis) out[axis] = length > 0 ? float(n[axis] / length) : 0.0f;
}

void writeStlBinary(const ExportMesh& mesh, Bytes& out) {
  char header[80] = "Veltrix mesh export";
  for (char c : header) out.u8(static_cast<std::uint8_t>(c));
  out.u32(static_cast<std::uint32_t>(mesh.triangleCount()));
  for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
    float normal[3];
    faceNormal(mesh, t, normal);
    for (float v : normal) out.f32(v);
    for (int k = 0; k < 3; ++k) {
      for (int axis = 0; axis < 3; ++axis) out.f32(static_cast<float>(corner(mesh, t, k)[axis]));
    }
    out.u16(0);
  }
}

void writeStlAscii(const ExportMesh& mesh, Bytes& out) {
  out.text("solid veltrix\n");
  for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
    float n[3];
    faceNormal(mesh, t, n);
    out.format("facet normal %.9g %.9g %.9g\n outer loop\n", n[0], n[1], n[2]);
    for (int k = 0; k < 3; ++k) {
      const double* p = corner(mesh, t, k);
      out.format("  vertex %.9g %.9g %.9g\n", float(p[0]), float(p[1]), float(p[2]));
    }
    out.text(" endloop\nendfacet\n");
  }
  out.text("endsolid veltrix\n");
}

void writeObj(const ExportMesh& mesh, Bytes& out) {
  out.text("# Veltrix mesh export\n");
  for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
    const double* p = &mesh.positions[3 * v];
    out.format("v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
  }
  for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
    const float* n = &mesh.normals[3 * v];
    out.format("vn %.6g %.6g %.6g\n", n[0], n[1], n[2]);
  }
  for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
    const std::uint32_t* v = &mesh.triangles[3 * t];
    // OBJ counts from one.
    out.format("f %u//%u %u//%u %u//%u\n", v[0] + 1, v[0] + 1, v[1] + 1, v[1] + 1, v[2] + 1, v[2] + 1);
  }
}

void writePly(const ExportMesh& mesh, Bytes& out, bool binary) {
  out.text(binary ? "ply\nformat binary_little_endian 1.0\n" : "ply\nformat ascii 1.0\n");
  out.text("comment Veltrix mesh export\n");
  out.format("element vertex %lu\n", static_cast<unsigned long>(mesh.vertexCount()));
  out.text("property float x\nproperty float y\nproperty float z\n"
           "property uchar red\nproperty uchar green\nproperty uchar blue\n");
  out.format("element face %lu\n", static_cast<unsigned long>(mesh.triangleCount()));
  out.text("property list uchar uint vertex_indices\nend_header\n");
  for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
    const double* p = &mesh.positions[3 * v];
    const std::uint32_t c = mesh.colors[v];
    if (binary) {
      for (int axis = 0; axis < 3; ++axis) out.f32(static_cast<float>(p[axis]));
      for (int shift = 16; shift >= 0; shift -= 8) out.u8((c >> shift) & 0xFF);
    } else {
      out.format("%.9g %.9g %.9g %u %u %u\n", float(p[0]), float(p[1]), float(p[2]), (c >> 16) & 0xFF,
                 (c >> 8) & 0xFF, c & 0xFF);
    }
  }
  for (std::size_t t = 0; t < mesh.triangleCount(); ++t) {
    const std::uint32_t* v = &mesh.triangles[3 * t];
    if (binary) {
      out.u8(3);
      for (int k = 0; k < 3; ++k) out.u32(v[k]);
    } else {
      out.format("3 %u %u %u\n", v[0], v[1], v[2]);
    }
  }
}

}  // namespace

std::string encodeMesh(const ExportMesh& mesh, MeshFormat format) {
  std::string bytes;
  Bytes out(bytes);
  switch (format) {
    case MeshFormat::StlBinary:
      writeStlBinary(mesh, out);
      break;
    case MeshFormat::StlAscii:
      writeStlAscii(mesh, out);
      break;
    case MeshFormat::Obj:
      writeObj(mesh, out);
      break;
    case MeshFormat::PlyBinary:
    case MeshFormat::PlyAscii:
      writePly(mesh, out, format == MeshFormat::PlyBinary);
      break;
  }
  return bytes;
}

}  // namespace vx
