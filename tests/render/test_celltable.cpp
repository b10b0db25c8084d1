// The cell table: its totals, the complement rule, closed and consistently turned
// polygons inside each cell, and agreement between neighbouring cells.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "render/celltable.h"
#include "render/surface.h"

namespace vx {
namespace {

using Polygon = std::vector<int>;  // edge numbers

// The polygons of a case turned so that every first side faces the set corners.
std::vector<Polygon> orientedPolygons(int index) {
  const CellCase& c = kCellCases[index];
  std::vector<Polygon> out;
  const std::uint8_t* e = c.edges;
  for (int p = 0; p < c.polygonCount; ++p) {
    Polygon poly(e, e + c.vertexCount[p]);
    if (c.exchange) std::reverse(poly.begin(), poly.end());
    out.push_back(poly);
    e += c.vertexCount[p];
  }
  return out;
}

// The two faces (axis * 2 + side) an edge lies on.
std::pair<int, int> facesOf(int edge) {
  const int axis = edge / 4, low = kCellEdgeCorners[edge][0];
  int faces[2], n = 0;
  for (int k = 0; k < 3; ++k) {
    if (k != axis) faces[n++] = k * 2 + ((low >> k) & 1);
  }
  return {faces[0], faces[1]};
}

bool onFace(int edge, int face) {
  auto f = facesOf(edge);
  return f.first == face || f.second == face;
}

// Directed boundary segments of the case on one face (inner fan diagonals cancel).
std::set<std::pair<int, int>> faceSegments(int index, int face) {
  std::multiset<std::pair<int, int>> all;
  for (const Polygon& p : orientedPolygons(index)) {
    for (std::size_t i = 0; i < p.size(); ++i) {
      const int u = p[i], v = p[(i + 1) % p.size()];
      if (onFace(u, face) && onFace(v, face)) all.insert({u, v});
    }
  }
  std::set<std::pair<int, int>> out;
  for (const auto& s : all) {
    if (!all.count({s.second, s.first})) out.insert(s);
  }
  return out;
}

// The corner bits of a face in a face-local order shared by both cells that meet there.
int facePattern(int index, int axis, int side) {
  int pattern = 0, n = 0;
  for (int k = 0; k < 8; ++k) {
    if (((k >> axis) & 1) == side) pattern |= ((index >> k) & 1) << n++;
  }
  return pattern;
}

bool ambiguous(int pattern) { return pattern == 0b1001 || pattern == 0b0110; }

// The edge of the neighbour cell across `axis` that coincides with `edge`.
int acrossFace(int edge, int axis) {
  const int a = kCellEdgeCorners[edge][0] ^ (1 << axis), b = kCellEdgeCorners[edge][1] ^ (1 << axis);
  for (int e = 0; e < kCellEdges; ++e) {
    if ((kCellEdgeCorners[e][0] == a && kCellEdgeCorners[e][1] == b) ||
        (kCellEdgeCorners[e][0] == b && kCellEdgeCorners[e][1] == a)) {
      return e;
    }
  }
  return -1;
}

TEST(CellTable, TotalsOfPolygonsAndCases) {
  int bySize[7] = {}, byCount[9] = {};
  for (const CellCase& c : kCellCases) {
    ++byCount[c.polygonCount];
    for (int p = 0; p < c.polygonCount; ++p) ++bySize[c.vertexCount[p]];
  }
  EXPECT_EQ(bySize[3], 576);
  EXPECT_EQ(bySize[4], 30);
  EXPECT_EQ(bySize[5], 48);
  EXPECT_EQ(bySize[6], 8);
  EXPECT_EQ(byCount[0], 2);
  EXPECT_EQ(byCount[1], 102);
  EXPECT_EQ(byCount[2], 8);
  EXPECT_EQ(byCount[3], 64);
  EXPECT_EQ(byCount[4], 72);
  EXPECT_EQ(byCount[8], 8);
}

TEST(CellTable, NamedConfigurations) {
  for (int hexagon : {23, 43, 77, 113, 142, 178, 212, 232}) {
    ASSERT_EQ(kCellCases[hexagon].polygonCount, 1) << hexagon;
    EXPECT_EQ(kCellCases[hexagon].vertexCount[0], 6) << hexagon;
  }
  for (int eight : {60, 90, 102, 105, 150, 153, 165, 195}) EXPECT_EQ(kCellCases[eight].polygonCount, 8) << eight;
  for (int bodyDiagonal : {24, 36, 66, 129, 231, 219, 189, 126}) {
    EXPECT_EQ(kCellCases[bodyDiagonal].polygonCount, 2) << bodyDiagonal;
  }
  // A face diagonal (corners 0 and 3) is one band of four triangles around six crossing points.
  EXPECT_EQ(kCellCases[9].polygonCount, 4);
  EXPECT_EQ(__builtin_popcount(kCellCases[9].edgeMask), 6);
  EXPECT_EQ(kCellCases[1].vertexCount[0], 3);   // one corner
  EXPECT_EQ(kCellCases[3].vertexCount[0], 4);   // two neighbours
  EXPECT_EQ(kCellCases[7].vertexCount[0], 5);   // three corners of a face
  EXPECT_EQ(kCellCases[15].vertexCount[0], 4);  // a whole face
}

TEST(CellTable, ComplementsEmitTheSamePolygonsWithTheColoursExchanged) {
  struct Sink {
    std::vector<std::pair<std::vector<const EdgeVertex*>, std::pair<PixelColor, PixelColor>>> seen;
    static void emit(void* c, const SurfacePolygon& p) {
      static_cast<Sink*>(c)->seen.push_back({{p.vertices, p.vertices + p.count}, {p.first, p.second}});
    }
  };
  EdgeVertex vertices[kCellEdges] = {};
  const EdgeVertex* byEdge[kCellEdges];
  for (int e = 0; e < kCellEdges; ++e) {
    vertices[e].usable = true;
    byEdge[e] = &vertices[e];
  }
  constexpr PixelColor kTrue = 70, kFalse = 73;
  for (int i = 1; i < 255; ++i) {
    Sink a, b;
    RenderContext ctx;
    ctx.sink = {&a, &Sink::emit};
    emitCellPolygons(ctx, kCellCases[i], byEdge, kTrue, kFalse, nullptr);
    ctx.sink = {&b, &Sink::emit};
    emitCellPolygons(ctx, kCellCases[255 - i], byEdge, kTrue, kFalse, nullptr);
    ASSERT_EQ(a.seen.size(), b.seen.size()) << i;
    ASSERT_FALSE(a.seen.empty()) << i;
    for (std::size_t p = 0; p < a.seen.size(); ++p) {
      EXPECT_EQ(a.seen[p].first, b.seen[p].first) << i;
      EXPECT_EQ(a.seen[p].second.first, b.seen[p].second.second) << i;
      EXPECT_EQ(a.seen[p].second.second, b.seen[p].second.first) << i;
    }
  }
}

TEST(CellTable, MissingVertexDropsOnlyThePolygonsThatNeedIt) {
  int emitted = 0;
  RenderContext ctx;
  ctx.sink = {&emitted, [](void* c, const SurfacePolygon&) { ++*static_cast<int*>(c); }};
  EdgeVertex vertices[kCellEdges] = {};
  const EdgeVertex* byEdge[kCellEdges];
  for (int e = 0; e < kCellEdges; ++e) {
    vertices[e].usable = true;
    byEdge[e] = &vertices[e];
  }
  // Case 24: corners 3 and 4, two separate triangles. Refuse one edge of corner 3.
  const int edgeOfCorner3 = __builtin_ctz(kCellCases[24].edgeMask);
  vertices[edgeOfCorner3].usable = false;
  emitCellPolygons(ctx, kCellCases[24], byEdge, 1, 2, nullptr);
  EXPECT_EQ(emitted, 1);
}

TEST(CellTable, EachCellSurfaceIsClosedAndConsistentlyTurned) {
  for (int i = 1; i < 255; ++i) {
    if (kCellCases[i].polygonCount == 8) continue;  // open tubes by design
    std::map<std::pair<int, int>, int> directed;
    for (const Polygon& p : orientedPolygons(i)) {
      std::set<int> distinct(p.begin(), p.end());
      ASSERT_EQ(distinct.size(), p.size()) << i;
      for (std::size_t k = 0; k < p.size(); ++k) ++directed[{p[k], p[(k + 1) % p.size()]}];
    }
    for (const auto& [edge, count] : directed) {
      EXPECT_EQ(count, 1) << "case " << i << " repeats a directed edge";
      const auto [u, v] = edge;
      const bool boundary = onFace(u, facesOf(v).first) || onFace(u, facesOf(v).second);
      if (!boundary) {
        EXPECT_EQ(directed.count({v, u}), 1u) << "case " << i << " leaves an inner edge open";
      }
    }
  }
}

TEST(CellTable, NeighbouringCellsAgreeOnEveryUnambiguousFace) {
  for (int axis = 0; axis < 3; ++axis) {
    for (int a = 1; a < 255; ++a) {
      const int pattern = facePattern(a, axis, 1);
      if (ambiguous(pattern)) continue;
      const auto mine = faceSegments(a, axis * 2 + 1);
      for (int b = 1; b < 255; ++b) {
        if (facePattern(b, axis, 0) != pattern) continue;
        std::set<std::pair<int, int>> theirs;
        for (const auto& [u, v] : faceSegments(b, axis * 2)) theirs.insert({acrossFace(v, axis), acrossFace(u, axis)});
        ASSERT_EQ(mine, theirs) << "cases " << a << " and " << b << " across axis " << axis;
      }
    }
  }
}

}  // namespace
}  // namespace vx
