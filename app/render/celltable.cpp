// The cell table is generated at compile time from the structure of the cases:
//
// - A case and its complement emit the same polygons in the same order. The one
//   with fewer set corners (the lower number among two cases of four) is the base
//   case: its polygons are built around its set corners with their first sides
//   towards them; the complement exchanges the colours.
// - Each edge-connected group of set corners is cut off by one cap: a polygon
//   through the crossing points of the edges that leave the group. On every cube
//   face the cap's boundary joins the two crossing points at the ends of each run
//   of outside corners, so faces shared by neighbouring cells get the same segment
//   and the surface closes across cells.
// - A cap that is the only polygon of its case stays one polygon (triangle,
//   quadrilateral, pentagon or hexagon) unless its four corners form a skew chain;
//   everything else is emitted as triangles, fanned from each cap's first vertex.
// - Two set corners at the ends of a face diagonal are joined through that face:
//   one band of four triangles along the ridge above the diagonal.
// - Two opposite edges, and the four alternate corners, are the cases with four or
//   more groups of both kinds: every group of either kind gets its cap (eight
//   triangles), the clear groups' caps turned so that their first sides, too,
//   face the set corners.
// On a face whose two diagonals each join corners of one kind (a saddle) the two
// cells that share it decide by their own cases, so a rare saddle can leave a
// small hole; every other face is cut the same way from both sides.
// The static checks at the end hold the table to its known totals.
#include "render/celltable.h"

#include <array>

namespace vx {

namespace {

struct Point {
  double x, y, z;
};

constexpr int bitCount(unsigned v) {
  int n = 0;
  for (; v; v &= v - 1) ++n;
  return n;
}

constexpr Point cornerPoint(int k) { return {double(k & 1), double((k >> 1) & 1), double((k >> 2) & 1)}; }

// The lower corner of edge e (the other one adds the bit of the edge's axis).
constexpr int edgeLowCorner(int e) {
  const int axis = e / 4, j = e % 4;
  if (axis == 0) return j << 1;
  if (axis == 1) return (j & 1) | ((j >> 1) << 2);
  return j;
}

constexpr int edgeBetween(int a, int b) {
  const int diff = a ^ b;
  const int low = a & b;
  if (diff == 1) return (low >> 1);
  if (diff == 2) return 4 + ((low & 1) | ((low >> 2) << 1));
  return 8 + (low & 3);
}

constexpr Point edgeMidpoint(int e) {
  const int a = edgeLowCorner(e), b = a | (1 << (e / 4));
  Point p = cornerPoint(a), q = cornerPoint(b);
  return {(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2};
}

// The four corners of face f (axis f / 2 fixed at f % 2) in cyclic order.
constexpr std::array<int, 4> faceCorners(int f) {
  const int axis = f / 2, side = f % 2;
  const int b = axis == 0 ? 1 : 0, c = axis == 2 ? 1 : 2;
  const int fixed = side << axis;
  return {fixed, fixed | (1 << b), fixed | (1 << b) | (1 << c), fixed | (1 << c)};
}

// Corners adjacent along an edge and both in `set` belong to one group.
constexpr unsigned groupOf(unsigned set, int corner) {
  unsigned group = 1u << corner, grown = 0;
  while (grown != group) {
    grown = group;
    for (int k = 0; k < 8; ++k) {
      if (!(grown >> k & 1)) continue;
      for (int axis = 0; axis < 3; ++axis) {
        const int n = k ^ (1 << axis);
        if (set >> n & 1) group |= 1u << n;
      }
    }
  }
  return group;
}

template <int N>
struct Groups {
  unsigned mask[N] = {};
  int count = 0;
};

constexpr Groups<8> groupsOf(unsigned set) {
  Groups<8> g;
  unsigned left = set;
  for (int k = 0; k < 8; ++k) {
    if (!(left >> k & 1)) continue;
    const unsigned group = groupOf(set, k);
    g.mask[g.count++] = group;
    left &= ~group;
  }
  return g;
}

struct Loop {
  int edge[12] = {};
  int count = 0;
};

// The boundary of the region around `inside` on the cube's surface.
constexpr Loop capLoop(unsigned inside) {
  int partner[12][2] = {};
  int partners[12] = {};
  for (int e = 0; e < 12; ++e) partner[e][0] = partner[e][1] = -1;
  for (int f = 0; f < 6; ++f) {
    const auto c = faceCorners(f);
    bool in[4] = {};
    for (int i = 0; i < 4; ++i) in[i] = inside >> c[i] & 1;
    for (int i = 0; i < 4; ++i) {
      // A run of outside corners starts at i: find where it ends.
      if (in[i] || !in[(i + 3) % 4]) continue;
      int j = i;
      while (!in[(j + 1) % 4]) j = (j + 1) % 4;
      const int a = edgeBetween(c[(i + 3) % 4], c[i]);
      const int b = edgeBetween(c[j], c[(j + 1) % 4]);
      partner[a][partners[a]++] = b;
      partner[b][partners[b]++] = a;
    }
  }
  Loop loop;
  int start = -1;
  for (int e = 0; e < 12 && start < 0; ++e) {
    if (partners[e]) start = e;
  }
  if (start < 0) return loop;
  int previous = -1, current = start;
  do {
    loop.edge[loop.count++] = current;
    const int next = partner[current][0] != previous ? partner[current][0] : partner[current][1];
    previous = current;
    current = next;
  } while (current != start && loop.count < 12);
  return loop;
}

constexpr Point centroidOfCorners(unsigned set) {
  Point s{0, 0, 0};
  int n = 0;
  for (int k = 0; k < 8; ++k) {
    if (!(set >> k & 1)) continue;
    Point p = cornerPoint(k);
    s.x += p.x;
    s.y += p.y;
    s.z += p.z;
    ++n;
  }
  return {s.x / n, s.y / n, s.z / n};
}

// Turns the loop (keeping its first vertex) so that its first side faces the
// corners of `towards` (or faces away from them).
constexpr Loop orientedLoop(Loop loop, unsigned towards, bool away) {
  Point normal{0, 0, 0}, centre{0, 0, 0};
  for (int i = 0; i < loop.count; ++i) {
    const Point p = edgeMidpoint(loop.edge[i]), q = edgeMidpoint(loop.edge[(i + 1) % loop.count]);
    normal.x += (p.y - q.y) * (p.z + q.z);
    normal.y += (p.z - q.z) * (p.x + q.x);
    normal.z += (p.x - q.x) * (p.y + q.y);
    centre.x += p.x / loop.count;
    centre.y += p.y / loop.count;
    centre.z += p.z / loop.count;
  }
  const Point target = centroidOfCorners(towards);
  const double facing = normal.x * (target.x - centre.x) + normal.y * (target.y - centre.y) +
                        normal.z * (target.z - centre.z);
  if ((facing < 0) != away) {
    for (int i = 1, j = loop.count - 1; i < j; ++i, --j) {
      const int t = loop.edge[i];
      loop.edge[i] = loop.edge[j];
      loop.edge[j] = t;
    }
  }
  return loop;
}

struct CaseBuilder {
  CellCase c{};
  int used = 0;

  constexpr void polygon(const int* edges, int n) {
    c.vertexCount[c.polygonCount++] = static_cast<std::uint8_t>(n);
    for (int i = 0; i < n; ++i) {
      c.edges[used++] = static_cast<std::uint8_t>(edges[i]);
      c.edgeMask = static_cast<std::uint16_t>(c.edgeMask | (1u << edges[i]));
    }
  }
  constexpr void triangle(int a, int b, int d) {
    const int t[3] = {a, b, d};
    polygon(t, 3);
  }
  constexpr void fan(const Loop& loop) {
    for (int i = 1; i + 1 < loop.count; ++i) triangle(loop.edge[0], loop.edge[i], loop.edge[i + 1]);
  }
};

// Four corners that form a path of three edges not lying in one face.
constexpr bool isSkewChain(unsigned group) {
  if (bitCount(group) != 4) return false;
  for (int f = 0; f < 6; ++f) {
    unsigned face = 0;
    for (int k : faceCorners(f)) face |= 1u << k;
    if (face == group) return false;
  }
  for (int k = 0; k < 8; ++k) {
    if (!(group >> k & 1)) continue;
    int neighbours = 0;
    for (int axis = 0; axis < 3; ++axis) neighbours += group >> (k ^ (1 << axis)) & 1;
    if (neighbours == 3) return false;  // a corner with its three neighbours
  }
  return true;
}

// Two set corners at the ends of a face diagonal: the band of four triangles
// whose ridge runs between the crossing points on the two edges that leave the face.
constexpr void addBand(CaseBuilder& b, unsigned set) {
  Loop loop = orientedLoop(capLoop(set), set, false);
  const int a = __builtin_ctz(set), d = 31 - __builtin_clz(set);
  // The face's normal is the one axis along which the two corners agree.
  const int normalAxis = (a ^ d) == 6 ? 0 : (a ^ d) == 5 ? 1 : 2;
  int first = 0;
  for (int i = 0; i < loop.count; ++i) {
    if (loop.edge[i] / 4 == normalAxis) {
      first = i;
      break;
    }
  }
  int v[6] = {};
  for (int i = 0; i < 6; ++i) v[i] = loop.edge[(first + i) % 6];
  b.triangle(v[0], v[1], v[2]);
  b.triangle(v[0], v[2], v[3]);
  b.triangle(v[3], v[4], v[5]);
  b.triangle(v[3], v[5], v[0]);
}

constexpr CellCase buildCase(int index) {
  CaseBuilder b;
  if (index == 0 || index == 255) return b.c;
  const int ones = bitCount(unsigned(index));
  const int complement = 255 - index;
  const int base = ones < 4 ? index : ones > 4 ? complement : (index < complement ? index : complement);
  b.c.exchange = base != index;
  const unsigned set = unsigned(base);
  const unsigned clear = 255u & ~set;

  const Groups<8> setGroups = groupsOf(set);
  bool faceDiagonal = false;
  if (bitCount(set) == 2) {
    const int a = __builtin_ctz(set), d = 31 - __builtin_clz(set);
    faceDiagonal = bitCount(unsigned(a ^ d)) == 2;
  }
  if (faceDiagonal) {
    addBand(b, set);
    return b.c;
  }

  int largestGroup = 0;
  for (int g = 0; g < setGroups.count; ++g) {
    const int n = bitCount(setGroups.mask[g]);
    if (n > largestGroup) largestGroup = n;
  }
  if (bitCount(set) == 4 && largestGroup <= 2) {
    for (int g = 0; g < setGroups.count; ++g) b.fan(orientedLoop(capLoop(setGroups.mask[g]), setGroups.mask[g], false));
    const Groups<8> clearGroups = groupsOf(clear);
    for (int g = 0; g < clearGroups.count; ++g) {
      b.fan(orientedLoop(capLoop(clearGroups.mask[g]), clearGroups.mask[g], true));
    }
    return b.c;
  }

  if (setGroups.count == 1 && !isSkewChain(set)) {
    const Loop loop = orientedLoop(capLoop(set), set, false);
    b.polygon(loop.edge, loop.count);
    return b.c;
  }
  for (int g = 0; g < setGroups.count; ++g) b.fan(orientedLoop(capLoop(setGroups.mask[g]), setGroups.mask[g], false));
  return b.c;
}

constexpr std::array<CellCase, 256> buildTable() {
  std::array<CellCase, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = buildCase(i);
  return t;
}

constexpr std::array<CellCase, 256> kTable = buildTable();

// --- Checks of the generated table -------------------------------------------

constexpr int polygonsWithVertices(int n) {
  int total = 0;
  for (const CellCase& c : kTable) {
    for (int p = 0; p < c.polygonCount; ++p) total += c.vertexCount[p] == n;
  }
  return total;
}

constexpr int casesWithPolygons(int n) {
  int total = 0;
  for (const CellCase& c : kTable) total += c.polygonCount == n;
  return total;
}

constexpr bool complementsMatch() {
  for (int i = 0; i < 256; ++i) {
    const CellCase &a = kTable[i], &b = kTable[255 - i];
    if (a.polygonCount != b.polygonCount || a.edgeMask != b.edgeMask) return false;
    if (i != 0 && i != 255 && a.exchange == b.exchange) return false;
    for (int k = 0; k < kMaxCellPolygons; ++k) {
      if (a.vertexCount[k] != b.vertexCount[k]) return false;
    }
    for (int k = 0; k < kMaxCellCaseVertices; ++k) {
      if (a.edges[k] != b.edges[k]) return false;
    }
  }
  return true;
}

// Every vertex lies on an edge whose two corners differ, and every such edge is used.
constexpr bool verticesOnCrossingEdges() {
  for (int i = 0; i < 256; ++i) {
    unsigned crossing = 0;
    for (int e = 0; e < 12; ++e) {
      const int a = edgeLowCorner(e), b = a | (1 << (e / 4));
      if ((i >> a & 1) != (i >> b & 1)) crossing |= 1u << e;
    }
    if (kTable[i].edgeMask != crossing) return false;
  }
  return true;
}

static_assert(polygonsWithVertices(3) == 576, "triangles");
static_assert(polygonsWithVertices(4) == 30, "quadrilaterals");
static_assert(polygonsWithVertices(5) == 48, "pentagons");
static_assert(polygonsWithVertices(6) == 8, "hexagons");
static_assert(casesWithPolygons(0) == 2 && casesWithPolygons(1) == 102 && casesWithPolygons(2) == 8 &&
              casesWithPolygons(3) == 64 && casesWithPolygons(4) == 72 && casesWithPolygons(8) == 8);
static_assert(complementsMatch());
static_assert(verticesOnCrossingEdges());
static_assert(kTable[23].polygonCount == 1 && kTable[23].vertexCount[0] == 6, "a corner with its neighbours");
static_assert(kTable[105].polygonCount == 8 && kTable[60].polygonCount == 8, "four or more groups");

constexpr std::array<std::array<std::uint8_t, 2>, 12> buildEdgeCorners() {
  std::array<std::array<std::uint8_t, 2>, 12> t{};
  for (int e = 0; e < 12; ++e) {
    t[e][0] = static_cast<std::uint8_t>(edgeLowCorner(e));
    t[e][1] = static_cast<std::uint8_t>(edgeLowCorner(e) | (1 << (e / 4)));
  }
  return t;
}
constexpr auto kEdgeCorners = buildEdgeCorners();
static_assert(edgeBetween(kEdgeCorners[7][0], kEdgeCorners[7][1]) == 7);

}  // namespace

constexpr std::array<CellCase, 256> kCellCases = kTable;

constexpr std::array<std::array<std::uint8_t, 2>, kCellEdges> kCellEdgeCorners = kEdgeCorners;

}  // namespace vx
