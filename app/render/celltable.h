#pragma once
// The 256-case table that turns the eight corner bits of a grid cell into
// surface polygons through the crossing points on the cell's edges.
//
// Corner k of a cell lies at the offsets (k & 1, (k >> 1) & 1, (k >> 2) & 1)
// along the cell's three axes, so two corners are neighbours when their numbers
// differ in one bit. Edge e runs along axis e / 4; its two corners are listed in
// kCellEdgeCorners. A polygon's first side is the side its vertices turn
// counter-clockwise around (right-hand rule in the cell's axes).
#include <array>
#include <cstdint>

namespace vx {

inline constexpr int kCellEdges = 12;
inline constexpr int kMaxCellPolygons = 8;
inline constexpr int kMaxCellPolygonVertices = 6;
inline constexpr int kMaxCellCaseVertices = 24;

struct CellCase {
  std::uint8_t polygonCount;
  // 1 when the polygons' first sides face the corners whose bit is clear; then the
  // two side colours are exchanged before drawing. Exactly one of a case and its
  // complement has it.
  std::uint8_t exchange;
  std::uint16_t edgeMask;  // edges that carry a vertex of this case
  std::uint8_t vertexCount[kMaxCellPolygons];
  std::uint8_t edges[kMaxCellCaseVertices];  // the polygons' edges, one after the other
};

extern const std::array<CellCase, 256> kCellCases;
extern const std::array<std::array<std::uint8_t, 2>, kCellEdges> kCellEdgeCorners;

}  // namespace vx
