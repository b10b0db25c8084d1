// Mesh export. The grid walk and the parametric drawer run as they do for a
// picture, with sinks that collect their polygons instead of filling them.
//
// Vertices of the grid walk are found again by their exact box-frame
// coordinates: the walk computes each edge's crossing once and hands the same
// vertex to every cell that uses it, while the pool recycles vertex records
// between slabs, so a record's address names an edge only for a while. The
// box-frame floats are mapped back to graph coordinates.
//
// Caps: on each face of the box the region's cross-section is cut from the face's
// own grid, square by square (inside corners and the crossing points between
// them), with the condition evaluated at the face's grid points and the crossing
// points taken from the surface's vertices on the face's edges, so that every
// cap ends exactly where the surface does.
#include "render/meshexport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "lang/nodes.h"
#include "render/cellscope.h"
#include "render/parametric.h"
#include "render/surface.h"

namespace vx {

namespace {

constexpr std::uint32_t kNoVertex = 0xFFFFFFFFu;

// A grid position is a whole grid index when it lies this close to one (in grid
// steps); the box-frame floats keep crossing points far closer than that.
constexpr double kGridTolerance = 1e-3;

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return h;
}

struct FrameKey {
  std::uint32_t item;
  float frame[3];
  bool operator==(const FrameKey& o) const {
    return item == o.item && frame[0] == o.frame[0] && frame[1] == o.frame[1] && frame[2] == o.frame[2];
  }
};

struct FrameKeyHash {
  std::size_t operator()(const FrameKey& k) const {
    std::uint32_t bits[3];
    std::memcpy(bits, k.frame, sizeof bits);
    std::uint64_t h = mix((std::uint64_t(bits[0]) << 32) ^ bits[1] ^ (std::uint64_t(k.item) << 40));
    return static_cast<std::size_t>(mix(h ^ bits[2]));
  }
};

struct KeyHash {
  std::size_t operator()(std::uint64_t k) const { return static_cast<std::size_t>(mix(k)); }
};

std::uint64_t edgeKey(std::uint32_t a, std::uint32_t b) { return (std::uint64_t(a) << 32) | b; }

bool isSolid(const GraphItem& item) {
  return item.relation != kRelationEquation || isBinaryKind(item.tree, kIntersect);
}

class MeshBuilder {
 public:
  MeshBuilder(RenderContext& ctx, ExportMesh& out) : ctx_(ctx), job_(*ctx.job), out_(out) {
    for (const GraphItem* g = job_.items; g; g = g->next) items_.push_back(g);
  }

  PolygonSink polygonSink() { return {this, onPolygon}; }
  ParametricSink parametricSink() { return {this, onQuad, onCurve}; }

  const GraphItem* curve() const { return curve_; }
  void addCaps();
  void finish();

 private:
  static void onPolygon(void* self, const SurfacePolygon& p) { static_cast<MeshBuilder*>(self)->polygon(p); }
  static void onQuad(void* self, const GraphItem& item, int i, int j, const double* const corner[4],
                     PixelColor color) {
    static_cast<MeshBuilder*>(self)->quad(item, i, j, corner, color);
  }
  static void onCurve(void* self, const GraphItem& item) {
    auto& b = *static_cast<MeshBuilder*>(self);
    if (!b.curve_) b.curve_ = &item;
  }

  std::uint32_t itemIndex(const GraphItem* item);
  std::uint32_t addVertex(const double position[3], std::uint32_t item);
  void addColor(std::uint32_t vertex, PixelColor color);
  void addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t item);
  std::uint32_t frameVertex(std::uint32_t item, const float frame[3]);
  void polygon(const SurfacePolygon& p);
  void quad(const GraphItem& item, int i, int j, const double* const corner[4], PixelColor color);
  PixelColor capColor(const GraphItem& item, const double position[3]) const;
  void addItemCaps(std::uint32_t item);
  void weld();
  void splitNeedles();
  void fillSmallHoles(std::uint32_t item);
  void dropEmptyTriangles();
  void orientClosedForms();
  void compact();
  // Removes the triangles marked in `drop`, keeping the others in order.
  void dropTriangles(const std::vector<bool>& drop);

  RenderContext& ctx_;
  const RenderJob& job_;
  ExportMesh& out_;
  std::vector<const GraphItem*> items_;
  std::vector<std::uint32_t> vertexItem_, triangleItem_;
  std::vector<double> colorSum_;   // red, green, blue sums per vertex
  std::vector<std::uint32_t> colorCount_;
  std::unordered_map<FrameKey, std::uint32_t, FrameKeyHash> frameVertices_;
  std::unordered_map<std::uint64_t, std::uint32_t, KeyHash> sampleVertices_;
  const GraphItem* curve_ = nullptr;
};

std::uint32_t MeshBuilder::itemIndex(const GraphItem* item) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == item) return static_cast<std::uint32_t>(i);
  }
  return 0;
}

std::uint32_t MeshBuilder::addVertex(const double position[3], std::uint32_t item) {
  const auto id = static_cast<std::uint32_t>(vertexItem_.size());
  out_.positions.insert(out_.positions.end(), position, position + 3);
  vertexItem_.push_back(item);
  colorSum_.insert(colorSum_.end(), 3, 0.0);
  colorCount_.push_back(0);
  return id;
}

void MeshBuilder::addColor(std::uint32_t vertex, PixelColor color) {
  double* sum = &colorSum_[3 * std::size_t(vertex)];
  sum[0] += (color >> 16) & 0xFF;
  sum[1] += (color >> 8) & 0xFF;
  sum[2] += color & 0xFF;
  ++colorCount_[vertex];
}

// A triangle that repeats a vertex has no area and is left out; its edges pair
// up with each other, so leaving it out keeps the mesh closed.
void MeshBuilder::addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t item) {
  if (a == b || b == c || c == a) return;
  out_.triangles.insert(out_.triangles.end(), {a, b, c});
  triangleItem_.push_back(item);
}

std::uint32_t MeshBuilder::frameVertex(std::uint32_t item, const float frame[3]) {
  // +0.0f folds a negative zero into the positive one: the same point.
  FrameKey key{item, {frame[0] + 0.0f, frame[1] + 0.0f, frame[2] + 0.0f}};
  auto found = frameVertices_.find(key);
  if (found != frameVertices_.end()) return found->second;
  double position[3];
  for (int axis = 0; axis < 3; ++axis)
    position[axis] = ctx_.frame.centre[axis] + double(frame[axis]) / ctx_.frame.scale[axis];
  const std::uint32_t id = addVertex(position, item);
  frameVertices_.emplace(key, id);
  return id;
}

void MeshBuilder::polygon(const SurfacePolygon& p) {
  const std::uint32_t item = itemIndex(p.item);
  // An inequality's solid takes the colour of its true side; other surfaces the
  // colour of their cells.
  const bool inequality = p.item->relation != kRelationEquation;
  const PixelColor color = inequality ? (p.firstOutside ? p.second : p.first) : p.first;
  std::uint32_t ids[kMaxCellPolygonVertices];
  for (int i = 0; i < p.count; ++i) {
    ids[i] = frameVertex(item, p.vertices[i]->frame);
    addColor(ids[i], color);
  }
  for (int i = 1; i + 1 < p.count; ++i) {
    if (p.firstOutside) {
      addTriangle(ids[0], ids[i], ids[i + 1], item);
    } else {
      addTriangle(ids[0], ids[i + 1], ids[i], item);
    }
  }
}

void MeshBuilder::quad(const GraphItem& graph, int i, int j, const double* const corner[4], PixelColor color) {
  const std::uint32_t item = itemIndex(&graph);
  static constexpr int kOffset[4][2] = {{0, -1}, {1, -1}, {1, 0}, {0, 0}};
  std::uint32_t ids[4];
  int count = 0;
  for (int k = 0; k < 4; ++k) {
    if (!corner[k]) continue;
    const std::uint64_t sample = (std::uint64_t(item) << 40) | (std::uint64_t(i + kOffset[k][0]) << 20) |
                                 std::uint64_t(j + kOffset[k][1]);
    auto found = sampleVertices_.find(sample);
    const std::uint32_t id = found != sampleVertices_.end() ? found->second : addVertex(corner[k], item);
    if (found == sampleVertices_.end()) sampleVertices_.emplace(sample, id);
    addColor(id, color);
    ids[count++] = id;
  }
  addTriangle(ids[0], ids[1], ids[2], item);
  if (count == 4) addTriangle(ids[0], ids[2], ids[3], item);
}

// ---- Caps -----------------------------------------------------------------------

// The grid of the box in graph coordinates, as the walk samples it.
struct GridGeometry {
  double minimum[3], maximum[3];
  int count[3];

  double coordinate(int axis, int k) const {
    const long double t = static_cast<long double>(k) / (count[axis] - 1);
    return static_cast<double>(minimum[axis] + t * (static_cast<long double>(maximum[axis]) - minimum[axis]));
  }
  // A position as a (fractional) grid index.
  double index(int axis, double value) const {
    return (value - minimum[axis]) / (maximum[axis] - minimum[axis]) * (count[axis] - 1);
  }
};

// Whether the condition of one item holds at a point, evaluated as the walk
// evaluates it: compiled once with all three coordinates read at run time.
class ConditionProbe {
 public:
  ConditionProbe(LangState& state, const RenderJob& job, const GridGeometry& grid, const GraphItem& item)
      : cells_(state), job_(job), grid_(grid), relation_(item.relation) {
    cells_.setFlags(job.axes[0].variable, kInnerSweep | kVarying);
    cells_.setFlags(job.axes[1].variable, kVarying);
    cells_.setFlags(job.axes[2].variable, kVarying);
    SamplingContext& sampling = cells_.sampling();
    for (int axis = 0; axis < 3; ++axis) {
      sampling.rangeMinimum[axis] = grid.minimum[axis];
      sampling.rangeMaximum[axis] = grid.maximum[axis];
    }
    sampling.innerHalfStep = halfStep(0);
    tree_ = foldExpression(state, item.tree, Form::Condition);
    code_ = compileExpression(state, tree_, Form::Condition);
    state_ = &state;
  }
  ~ConditionProbe() {
    releaseCode(*state_, code_);
    releaseExpression(*state_, tree_);
    for (int axis = 0; axis < 3; ++axis) cells_.setFlags(job_.axes[axis].variable, 0);
  }
  ConditionProbe(const ConditionProbe&) = delete;
  ConditionProbe& operator=(const ConditionProbe&) = delete;

  bool inside(const double point[3]) {
    SamplingContext& sampling = cells_.sampling();
    for (int axis = 0; axis < 3; ++axis) {
      sampling.nearLow[axis] = point[axis] - halfStep(axis);
      sampling.nearHigh[axis] = point[axis] + halfStep(axis);
    }
    cells_.setValue(job_.axes[1].variable, point[1]);
    cells_.setValue(job_.axes[2].variable, point[2]);
    const double x = point[0];
    return !conditionBit(runCondition(code_, &x), relation_);
  }

 private:
  double halfStep(int axis) const {
    return std::fabs(grid_.maximum[axis] - grid_.minimum[axis]) / (grid_.count[axis] - 1) * 0.5;
  }

  RedrawCells cells_;
  const RenderJob& job_;
  const GridGeometry& grid_;
  std::uint8_t relation_;
  LangState* state_ = nullptr;
  ExprNode* tree_ = nullptr;
  CompiledCode* code_ = nullptr;
};

// Keys of the lines of a face's grid: kind 0 an edge along the face's first
// axis, 1 along its second, 2 a grid point.
std::uint64_t faceKey(int face, int kind, int j, int k) {
  return (std::uint64_t(face) << 40) | (std::uint64_t(kind) << 36) | (std::uint64_t(j) << 18) | std::uint64_t(k);
}

class CapBuilder {
 public:
  CapBuilder(const GridGeometry& grid, ConditionProbe& probe) : grid_(grid), probe_(probe) {}

  // Files a surface vertex under the face lines it lies on; false when it lies
  // on none.
  bool fileVertex(std::uint32_t id, const double position[3]);
  // Cuts the caps of every face; `corner` makes (or finds) the vertex at a grid
  // point, `edge` tells whether the surface has the edge a-b, `emit` takes each
  // cap polygon, counter-clockwise around the outward normal.
  template <class Corner, class HasEdge, class Emit>
  void cut(Corner corner, HasEdge edge, Emit emit);

 private:
  struct Filed {
    std::uint32_t id;
    double distance;
  };

  void file(std::uint64_t key, std::uint32_t id, double distance);
  std::uint32_t find(std::uint64_t key) const {
    auto found = filed_.find(key);
    return found == filed_.end() ? kNoVertex : found->second.id;
  }

  const GridGeometry& grid_;
  ConditionProbe& probe_;
  std::unordered_map<std::uint64_t, Filed, KeyHash> filed_;
};

bool CapBuilder::fileVertex(std::uint32_t id, const double position[3]) {
  double t[3];
  for (int axis = 0; axis < 3; ++axis) t[axis] = grid_.index(axis, position[axis]);
  bool filed = false;
  for (int face = 0; face < 6; ++face) {
    const int a = face / 2, b = (a + 1) % 3, c = (a + 2) % 3;
    const double plane = face % 2 ? grid_.count[a] - 1 : 0;
    const double off = std::fabs(t[a] - plane);
    if (off > kGridTolerance) continue;
    const int rb = static_cast<int>(std::nearbyint(t[b])), rc = static_cast<int>(std::nearbyint(t[c]));
    const double db = t[b] - rb, dc = t[c] - rc;
    const bool nearB = std::fabs(db) <= kGridTolerance, nearC = std::fabs(dc) <= kGridTolerance;
    filed = filed || nearB || nearC;
    if (nearB && nearC) file(faceKey(face, 2, rb, rc), id, off + std::fabs(db) + std::fabs(dc));
    // A crossing close to a grid point still lies on one edge of it: the one
    // along the coordinate that moved away from the point.
    if (nearC && (!nearB || std::fabs(db) > std::fabs(dc))) {
      const int j = nearB ? (db > 0 ? rb : rb - 1) : static_cast<int>(std::floor(t[b]));
      if (j >= 0 && j <= grid_.count[b] - 2) file(faceKey(face, 0, j, rc), id, off + std::fabs(dc));
    } else if (nearB && (!nearC || std::fabs(dc) > std::fabs(db))) {
      const int k = nearC ? (dc > 0 ? rc : rc - 1) : static_cast<int>(std::floor(t[c]));
      if (k >= 0 && k <= grid_.count[c] - 2) file(faceKey(face, 1, rb, k), id, off + std::fabs(db));
    }
  }
  return filed;
}

void CapBuilder::file(std::uint64_t key, std::uint32_t id, double distance) {
  auto found = filed_.find(key);
  if (found == filed_.end()) {
    filed_.emplace(key, Filed{id, distance});
  } else if (distance < found->second.distance) {
    found->second = Filed{id, distance};
  }
}

template <class Corner, class HasEdge, class Emit>
void CapBuilder::cut(Corner corner, HasEdge edge, Emit emit) {
  std::vector<std::uint8_t> inside;
  for (int face = 0; face < 6; ++face) {
    const int a = face / 2, b = (a + 1) % 3, c = (a + 2) % 3;
    const int ia = face % 2 ? grid_.count[a] - 1 : 0;
    const int nb = grid_.count[b], nc = grid_.count[c];
    inside.assign(std::size_t(nb) * nc, 0);
    double point[3];
    point[a] = grid_.coordinate(a, ia);
    for (int k = 0; k < nc; ++k) {
      point[c] = grid_.coordinate(c, k);
      for (int j = 0; j < nb; ++j) {
        point[b] = grid_.coordinate(b, j);
        inside[std::size_t(k) * nb + j] = probe_.inside(point);
      }
    }
    // The vertex at grid point (j, k) of this face: the surface's own where it
    // has one there.
    auto pointVertex = [&](int j, int k) {
      const std::uint32_t filed = find(faceKey(face, 2, j, k));
      if (filed != kNoVertex) return filed;
      int index[3];
      index[a] = ia, index[b] = j, index[c] = k;
      return corner(index);
    };
    for (int k = 0; k + 1 < nc; ++k) {
      for (int j = 0; j + 1 < nb; ++j) {
        // Corners counter-clockwise around the face's axis, and the edge after each.
        const int cj[4] = {j, j + 1, j + 1, j}, ck[4] = {k, k, k + 1, k + 1};
        const std::uint64_t edgeKeys[4] = {faceKey(face, 0, j, k), faceKey(face, 1, j + 1, k),
                                           faceKey(face, 0, j, k + 1), faceKey(face, 1, j, k)};
        bool in[4];
        int count = 0;
        for (int q = 0; q < 4; ++q) count += in[q] = inside[std::size_t(ck[q]) * nb + cj[q]];
        if (count == 0) continue;
        std::uint32_t crossing[4] = {kNoVertex, kNoVertex, kNoVertex, kNoVertex};
        bool complete = true;
        for (int q = 0; q < 4; ++q) {
          if (in[q] == in[(q + 1) % 4]) continue;
          // A crossing on the edge, or one the walk put on an end of it.
          const int inEnd = in[q] ? q : (q + 1) % 4, outEnd = in[q] ? (q + 1) % 4 : q;
          crossing[q] = find(edgeKeys[q]);
          if (crossing[q] == kNoVertex) crossing[q] = find(faceKey(face, 2, cj[inEnd], ck[inEnd]));
          if (crossing[q] == kNoVertex) crossing[q] = find(faceKey(face, 2, cj[outEnd], ck[outEnd]));
          complete = complete && crossing[q] != kNoVertex;
        }
        // Where the surface left no crossing (a refused one) it has a hole already.
        if (!complete) continue;
        std::uint32_t polygon[8];
        int n = 0;
        const bool saddle = count == 2 && in[0] == in[2];
        if (saddle) {
          // Two inside corners on a diagonal: apart, or joined through the
          // square's middle, as the surface's cell cut them.
          const int r = in[0] ? 0 : 1;
          const int before = (r + 3) % 4, after = r;
          if (edge(crossing[before], crossing[after])) {
            for (int s : {r, r + 2}) {
              const std::uint32_t three[3] = {crossing[(s + 3) % 4], pointVertex(cj[s], ck[s]), crossing[s]};
              emit(face, three, 3);
            }
            continue;
          }
        }
        for (int q = 0; q < 4; ++q) {
          if (in[q]) polygon[n++] = pointVertex(cj[q], ck[q]);
          if (in[q] != in[(q + 1) % 4]) polygon[n++] = crossing[q];
        }
        emit(face, polygon, n);
      }
    }
  }
}

PixelColor MeshBuilder::capColor(const GraphItem& item, const double position[3]) const {
  const ColorState& colors = ctx_.colors;
  if (item.relation != kRelationEquation)
    return pixelForIndex(colors, inequalitySideColors(item.relation).trueSide);
  if (colors.surfaceMode == kModeByHeight) {
    const AxisGrid& z = job_.axes[2];
    return pixelForIndex(colors, heightColorIndex(position[2], z.boxMinimum, z.boxMaximum, z.savedCount));
  }
  return pixelForIndex(colors, solidColorIndex(colors.surfaceMode));
}

GridGeometry gridOf(const RenderJob& job) {
  GridGeometry grid;
  for (int axis = 0; axis < 3; ++axis) {
    grid.minimum[axis] = job.axes[axis].samplingMinimum;
    grid.maximum[axis] = job.axes[axis].samplingMaximum;
    grid.count[axis] = job.axes[axis].count;
  }
  return grid;
}

void MeshBuilder::addItemCaps(std::uint32_t item) {
  const GridGeometry grid = gridOf(job_);
  ConditionProbe probe(*ctx_.state, job_, grid, *items_[item]);
  CapBuilder caps(grid, probe);
  std::vector<bool> onBox(vertexItem_.size(), false);
  for (std::uint32_t v = 0; v < vertexItem_.size(); ++v) {
    if (vertexItem_[v] == item) onBox[v] = caps.fileVertex(v, &out_.positions[3 * std::size_t(v)]);
  }
  // The caps ask only about edges between vertices on the box.
  std::unordered_set<std::uint64_t, KeyHash> edges;
  for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
    if (triangleItem_[t] != item) continue;
    const std::uint32_t* v = &out_.triangles[3 * t];
    for (int e = 0; e < 3; ++e) {
      if (onBox[v[e]] && onBox[v[(e + 1) % 3]]) edges.insert(edgeKey(v[e], v[(e + 1) % 3]));
    }
  }
  std::unordered_map<std::uint64_t, std::uint32_t, KeyHash> corners;
  auto corner = [&](const int index[3]) {
    const std::uint64_t key = (std::uint64_t(index[0]) << 40) | (std::uint64_t(index[1]) << 20) | index[2];
    auto found = corners.find(key);
    if (found != corners.end()) return found->second;
    double position[3];
    for (int axis = 0; axis < 3; ++axis) position[axis] = grid.coordinate(axis, index[axis]);
    const std::uint32_t id = addVertex(position, item);
    addColor(id, capColor(*items_[item], position));
    corners.emplace(key, id);
    return id;
  };
  auto hasEdge = [&](std::uint32_t a, std::uint32_t b) {
    return edges.count(edgeKey(a, b)) || edges.count(edgeKey(b, a));
  };
  auto emit = [&](int face, const std::uint32_t* polygon, int n) {
    std::uint32_t v[8];
    int m = 0;
    for (int i = 0; i < n; ++i) {
      if (m == 0 || polygon[i] != v[m - 1]) v[m++] = polygon[i];
    }
    while (m > 1 && v[m - 1] == v[0]) --m;
    // The faces at the minimum look along the negative axis.
    const bool reverse = face % 2 == 0;
    for (int i = 1; i + 1 < m; ++i) {
      if (reverse) {
        addTriangle(v[0], v[i + 1], v[i], item);
      } else {
        addTriangle(v[0], v[i], v[i + 1], item);
      }
    }
  };
  caps.cut(corner, hasEdge, emit);
}

void MeshBuilder::addCaps() {
  if (job_.parametric()) return;
  for (std::uint32_t item = 0; item < items_.size(); ++item) {
    if (isSolid(*items_[item])) addItemCaps(item);
  }
}

// Crossings that the walk found on different edges at one grid point can differ
// by a rounding error, and a parametric form repeats the point of a pole along a
// whole row: such vertices are welded, and the triangles left without area go.
void MeshBuilder::weld() {
  double extent = 0;
  for (const AxisGrid& axis : job_.axes) extent = std::fmax(extent, std::fabs(axis.boxMaximum - axis.boxMinimum));
  const double tolerance = extent * 1e-9;
  std::vector<std::uint32_t> root(vertexItem_.size());
  for (std::uint32_t v = 0; v < root.size(); ++v) root[v] = v;
  auto find = [&](std::uint32_t v) {
    while (root[v] != v) v = root[v] = root[root[v]];
    return v;
  };
  const double* p = out_.positions.data();
  auto join = [&](std::uint32_t v, std::uint32_t w) {
    const std::uint32_t rv = find(v), rw = find(w);
    if (rv != rw) root[rv > rw ? rv : rw] = rv < rw ? rv : rw;
  };
  if (!job_.parametric()) {
    // Crossings on different grid edges come together only at a grid point:
    // those within the tolerance of one are that point.
    const GridGeometry grid = gridOf(job_);
    std::unordered_map<std::uint64_t, std::uint32_t, KeyHash> points;
    for (std::uint32_t v = 0; v < root.size(); ++v) {
      std::uint64_t key = vertexItem_[v];
      bool near = true;
      for (int axis = 0; axis < 3 && near; ++axis) {
        const double t = grid.index(axis, p[3 * std::size_t(v) + axis]), r = std::nearbyint(t);
        near = std::fabs(t - r) <= 1e-6;
        key = (key << 20) | (static_cast<std::uint64_t>(r + 1) & 0xFFFFF);
      }
      if (!near) continue;
      auto found = points.emplace(key, v);
      if (!found.second && vertexItem_[found.first->second] == vertexItem_[v]) join(v, found.first->second);
    }
  } else {
    // Vertices closer than the tolerance meet in a cell of a grid that fine or
    // in one of its 26 neighbours.
    auto cellOf = [&](std::uint32_t v, int axis) {
      return static_cast<std::int64_t>(std::floor(p[3 * std::size_t(v) + axis] / tolerance));
    };
    auto cellKey = [](std::uint32_t item, std::int64_t x, std::int64_t y, std::int64_t z) {
      return mix(mix(mix(std::uint64_t(x)) ^ std::uint64_t(y)) ^ std::uint64_t(z)) ^ item;
    };
    std::unordered_multimap<std::uint64_t, std::uint32_t, KeyHash> cells;
    cells.reserve(root.size());
    for (std::uint32_t v = 0; v < root.size(); ++v) {
      const std::int64_t c[3] = {cellOf(v, 0), cellOf(v, 1), cellOf(v, 2)};
      for (int n = 0; n < 27; ++n) {
        const auto range = cells.equal_range(cellKey(vertexItem_[v], c[0] + n % 3 - 1, c[1] + n / 3 % 3 - 1,
                                                     c[2] + n / 9 - 1));
        for (auto it = range.first; it != range.second; ++it) {
          const std::uint32_t w = it->second;
          if (vertexItem_[w] != vertexItem_[v]) continue;
          double d2 = 0;
          for (int axis = 0; axis < 3; ++axis) {
            const double d = p[3 * std::size_t(v) + axis] - p[3 * std::size_t(w) + axis];
            d2 += d * d;
          }
          if (d2 <= tolerance * tolerance) join(v, w);
        }
      }
      cells.emplace(cellKey(vertexItem_[v], c[0], c[1], c[2]), v);
    }
  }
  for (std::uint32_t& v : out_.triangles) v = find(v);
  dropEmptyTriangles();
  compact();
}

// Where the surface passes exactly through a grid point, the cells on both
// sides of it can cut off that point with the same triangle turned both ways: a
// fin without volume. Such pairs go together (the edges stay paired), and so do
// triangles that repeat a vertex after welding.
void MeshBuilder::dropEmptyTriangles() {
  // Each triangle by its corners in rising order, and whether that order turns
  // the other way; equal corners sort together.
  struct Sorted {
    std::uint32_t v[3];
    std::uint32_t item;
    bool turned;
    std::size_t triangle;
    bool operator<(const Sorted& o) const {
      if (item != o.item) return item < o.item;
      for (int k = 0; k < 3; ++k) {
        if (v[k] != o.v[k]) return v[k] < o.v[k];
      }
      return turned < o.turned;
    }
    bool sameCorners(const Sorted& o) const {
      return item == o.item && v[0] == o.v[0] && v[1] == o.v[1] && v[2] == o.v[2];
    }
  };
  std::vector<bool> drop(triangleItem_.size(), false);
  std::vector<Sorted> sorted;
  sorted.reserve(triangleItem_.size());
  for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
    Sorted e{{out_.triangles[3 * t], out_.triangles[3 * t + 1], out_.triangles[3 * t + 2]}, triangleItem_[t], false, t};
    if (e.v[0] == e.v[1] || e.v[1] == e.v[2] || e.v[2] == e.v[0]) {
      drop[t] = true;
      continue;
    }
    for (int pass = 0; pass < 2; ++pass) {
      for (int k = 0; k < 2 - pass; ++k) {
        if (e.v[k] > e.v[k + 1]) {
          std::swap(e.v[k], e.v[k + 1]);
          e.turned = !e.turned;
        }
      }
    }
    sorted.push_back(e);
  }
  std::sort(sorted.begin(), sorted.end());
  // Within a run of equal corners the unturned come first: pair them with the
  // turned ones.
  for (std::size_t i = 0; i < sorted.size();) {
    std::size_t end = i;
    while (end < sorted.size() && sorted[end].sameCorners(sorted[i])) ++end;
    std::size_t turned = i;
    while (turned < end && !sorted[turned].turned) ++turned;
    for (std::size_t a = i, b = turned; a < turned && b < end; ++a, ++b) {
      drop[sorted[a].triangle] = drop[sorted[b].triangle] = true;
    }
    i = end;
  }
  dropTriangles(drop);
}

void MeshBuilder::dropTriangles(const std::vector<bool>& drop) {
  std::size_t kept = 0;
  for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
    if (drop[t]) continue;
    for (int k = 0; k < 3; ++k) out_.triangles[3 * kept + k] = out_.triangles[3 * t + k];
    triangleItem_[kept++] = triangleItem_[t];
  }
  out_.triangles.resize(3 * kept);
  triangleItem_.resize(kept);
}

// Drops the vertices no triangle uses (welded away, or left by an empty cap).
void MeshBuilder::compact() {
  std::vector<std::uint32_t> number(vertexItem_.size(), kNoVertex);
  std::uint32_t used = 0;
  for (std::uint32_t& v : out_.triangles) {
    if (number[v] == kNoVertex) number[v] = used++;
    v = number[v];
  }
  std::vector<double> positions(3 * std::size_t(used)), colorSum(3 * std::size_t(used));
  std::vector<std::uint32_t> colorCount(used), vertexItem(used);
  for (std::size_t v = 0; v < number.size(); ++v) {
    const std::uint32_t to = number[v];
    if (to == kNoVertex) continue;
    for (int k = 0; k < 3; ++k) {
      positions[3 * std::size_t(to) + k] = out_.positions[3 * v + k];
      colorSum[3 * std::size_t(to) + k] = colorSum_[3 * v + k];
    }
    colorCount[to] = colorCount_[v];
    vertexItem[to] = vertexItem_[v];
  }
  out_.positions.swap(positions);
  colorSum_.swap(colorSum);
  colorCount_.swap(colorCount);
  vertexItem_.swap(vertexItem);
}

// A parametric form turns its triangles as its u and v run. One that closes
// (a torus, a sphere) is turned outward like the solids: its enclosed volume is
// then positive.
void MeshBuilder::orientClosedForms() {
  if (!job_.parametric()) return;
  for (std::uint32_t item = 0; item < items_.size(); ++item) {
    std::unordered_map<std::uint64_t, int, KeyHash> edges;
    double volume = 0;
    const double* p = out_.positions.data();
    for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
      if (triangleItem_[t] != item) continue;
      const std::uint32_t* v = &out_.triangles[3 * t];
      for (int k = 0; k < 3; ++k) {
        ++edges[edgeKey(v[k], v[(k + 1) % 3])];
        --edges[edgeKey(v[(k + 1) % 3], v[k])];
      }
      const double *a = p + 3 * std::size_t(v[0]), *b = p + 3 * std::size_t(v[1]), *c = p + 3 * std::size_t(v[2]);
      volume += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    bool closed = true;
    for (const auto& edge : edges) closed = closed && edge.second == 0;
    if (!closed || volume >= 0) continue;
    for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
      if (triangleItem_[t] == item) std::swap(out_.triangles[3 * t + 1], out_.triangles[3 * t + 2]);
    }
  }
}

// Where two neighbouring cells cut the face they share differently (a face whose
// diagonals each join corners of one kind, frequent where the two boundaries of
// an intersection cross), the surface leaves a small hole in that face, bounded
// by the face's four crossing points. A solid's boundary has no other edges
// without a partner, so every such short loop is closed with a fan.
void MeshBuilder::fillSmallHoles(std::uint32_t item) {
  constexpr int kLongestHole = 8;
  std::vector<std::uint64_t> edges;
  for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
    if (triangleItem_[t] != item) continue;
    const std::uint32_t* v = &out_.triangles[3 * t];
    for (int k = 0; k < 3; ++k) edges.push_back(edgeKey(v[k], v[(k + 1) % 3]));
  }
  std::sort(edges.begin(), edges.end());
  auto has = [&](std::uint32_t a, std::uint32_t b) { return std::binary_search(edges.begin(), edges.end(), edgeKey(a, b)); };
  std::unordered_multimap<std::uint32_t, std::uint32_t> next;  // open edges a -> b
  for (std::uint64_t e : edges) {
    const auto a = static_cast<std::uint32_t>(e >> 32), b = static_cast<std::uint32_t>(e);
    if (!has(b, a)) next.emplace(a, b);
  }
  while (!next.empty()) {
    std::uint32_t loop[kLongestHole + 1];
    int n = 0;
    auto it = next.begin();
    loop[n++] = it->first;
    std::uint32_t at = it->second;
    next.erase(it);
    while (at != loop[0] && n <= kLongestHole) {
      loop[n++] = at;
      auto step = next.find(at);
      if (step == next.end()) break;
      at = step->second;
      next.erase(step);
    }
    if (at != loop[0] || n < 3 || n > kLongestHole) continue;
    // A fan whose diagonals the surface already has would fold onto it.
    bool free = true;
    for (int i = 2; i + 1 < n; ++i) {
      free = free && !has(loop[0], loop[i]) && !has(loop[i], loop[0]);
    }
    if (!free) continue;
    // The loop runs the way the surface around it turns; the fill turns back.
    for (int i = 1; i + 1 < n; ++i) addTriangle(loop[0], loop[i + 1], loop[i], item);
  }
}

// A triangle whose corners lie on one line (a crossing point between two others,
// where a plane runs through grid points) has no area. It goes, and the
// triangle across its long side is split at the middle corner instead, which
// keeps every edge paired.
void MeshBuilder::splitNeedles() {
  const double* p = out_.positions.data();
  auto at = [&](std::uint32_t v) { return p + 3 * std::size_t(v); };
  struct Needle {
    std::size_t triangle;
    std::uint32_t from, to, middle;  // the long side from -> to, and the corner on it
  };
  std::vector<Needle> needles;
  std::unordered_map<std::uint64_t, std::size_t, KeyHash> wanted;  // long side reversed -> needle
  for (std::size_t t = 0; t < triangleItem_.size(); ++t) {
    const std::uint32_t* v = &out_.triangles[3 * t];
    double length[3], u[3], w[3];
    for (int k = 0; k < 3; ++k) {
      const double *a = at(v[k]), *b = at(v[(k + 1) % 3]);
      length[k] = (b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) + (b[2] - a[2]) * (b[2] - a[2]);
    }
    for (int axis = 0; axis < 3; ++axis) {
      u[axis] = at(v[1])[axis] - at(v[0])[axis];
      w[axis] = at(v[2])[axis] - at(v[0])[axis];
    }
    const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const int k = length[0] >= length[1] && length[0] >= length[2] ? 0 : length[1] >= length[2] ? 1 : 2;
    const double area2 = cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2];
    if (area2 > 1e-24 * length[k] * length[k]) continue;
    const Needle needle{t, v[k], v[(k + 1) % 3], v[(k + 2) % 3]};
    if (wanted.emplace(edgeKey(needle.to, needle.from), needles.size()).second) needles.push_back(needle);
  }
  if (needles.empty()) return;
  std::vector<bool> drop(triangleItem_.size(), false);
  for (const Needle& n : needles) drop[n.triangle] = true;
  const std::size_t count = triangleItem_.size();
  for (std::size_t t = 0; t < count; ++t) {
    if (drop[t]) continue;
    for (int k = 0; k < 3; ++k) {
      std::uint32_t* v = &out_.triangles[3 * t];
      auto found = wanted.find(edgeKey(v[k], v[(k + 1) % 3]));
      if (found == wanted.end()) continue;
      const Needle& n = needles[found->second];
      const std::uint32_t x = v[(k + 2) % 3], item = triangleItem_[t];
      wanted.erase(found);
      // (to, from, x) becomes (to, middle, x) and (middle, from, x).
      v[(k + 1) % 3] = n.middle;
      out_.triangles.insert(out_.triangles.end(), {n.middle, n.from, x});
      triangleItem_.push_back(item);
      drop.push_back(false);
      break;
    }
  }
  // A needle whose long side found no partner stays: without it the edge would open.
  for (const auto& left : wanted) drop[needles[left.second].triangle] = false;
  dropTriangles(drop);
}

void MeshBuilder::finish() {
  weld();
  for (std::uint32_t item = 0; item < items_.size(); ++item) {
    if (!job_.parametric() && isSolid(*items_[item])) fillSmallHoles(item);
  }
  splitNeedles();
  orientClosedForms();
  const std::size_t n = vertexItem_.size();
  std::vector<double> normal(3 * n, 0.0);
  const std::vector<double>& p = out_.positions;
  for (std::size_t t = 0; t < out_.triangleCount(); ++t) {
    const std::uint32_t* v = &out_.triangles[3 * t];
    const double* a = &p[3 * std::size_t(v[0])];
    const double* b = &p[3 * std::size_t(v[1])];
    const double* c = &p[3 * std::size_t(v[2])];
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    for (int k = 0; k < 3; ++k) {
      for (int axis = 0; axis < 3; ++axis) normal[3 * std::size_t(v[k]) + axis] += cross[axis];
    }
  }
  out_.normals.resize(3 * n);
  out_.colors.resize(n);
  const bool steepness = ctx_.colors.surfaceMode == kModeBySteepness;
  for (std::size_t v = 0; v < n; ++v) {
    const double* m = &normal[3 * v];
    const double length = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    for (int axis = 0; axis < 3; ++axis) out_.normals[3 * v + axis] = length > 0 ? float(m[axis] / length) : 0.0f;
    if (steepness) {
      out_.colors[v] = pixelForIndex(ctx_.colors, steepnessColorIndex(m[0], m[1], m[2]));
      continue;
    }
    const std::uint32_t count = colorCount_[v] ? colorCount_[v] : 1;
    const double* sum = &colorSum_[3 * v];
    std::uint32_t rgb = 0;
    for (int k = 0; k < 3; ++k) rgb = (rgb << 8) | std::uint32_t(std::lround(sum[k] / count));
    out_.colors[v] = rgb;
  }
}

}  // namespace

Status buildExportMesh(Renderer& renderer, LangState& state, const RenderJob& job, ExportMesh& out,
                       std::string& reason, Host* host) {
  out = ExportMesh{};
  for (const GraphItem* g = job.items; g; g = g->next) {
    if (g->vector) {
      reason = "a vector field has no surface to export";
      return kNoGraph;
    }
  }
  // The walk order follows the view; any view gives the same mesh.
  OwnedFrameBuffer target(PixelFormat::Rgb32, 1, 1);
  ViewRecord view;
  RenderContext ctx;
  prepareRenderContext(renderer, state, job, view, 1, target.get(), ctx);
  ctx.host = host;
  MeshBuilder builder(ctx, out);
  ctx.sink = builder.polygonSink();
  const ParametricSink parametric = builder.parametricSink();
  ctx.parametricSink = &parametric;
  const Status status = job.parametric() ? drawParametricItems(ctx) : walkGrid(ctx);
  if (status != kOk) return status;
  if (builder.curve()) {
    reason = "a parametric curve has no surface to export";
    return kNoGraph;
  }
  builder.addCaps();
  builder.finish();
  if (out.triangleCount() == 0) {
    reason = "the surface is empty: no part of it lies in the box";
    return kNoGraph;
  }
  return kOk;
}

}  // namespace vx
