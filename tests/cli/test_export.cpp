// veltrix export as a user of a 3D printer sees it: closed, outward-facing meshes
// whose volume and area approach the shape's as the grid gets finer, the same
// triangles in every file form, files another mesh library reads, and one clear
// refusal (and no file) for what cannot be exported.
#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Point = std::array<double, 3>;

struct Mesh {
  std::vector<Point> vertices;
  std::vector<std::array<std::uint32_t, 3>> triangles;
};

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Mesh parseObj(const std::string& text) {
  Mesh mesh;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string tag;
    fields >> tag;
    if (tag == "v") {
      Point p;
      fields >> p[0] >> p[1] >> p[2];
      mesh.vertices.push_back(p);
    } else if (tag == "f") {
      std::array<std::uint32_t, 3> t;
      for (std::uint32_t& v : t) {
        std::string corner;
        fields >> corner;
        v = static_cast<std::uint32_t>(std::stoul(corner)) - 1;  // "a//a"
      }
      mesh.triangles.push_back(t);
    }
  }
  return mesh;
}

// A binary STL's corners, three per triangle.
std::vector<Point> parseStl(const std::string& bytes) {
  std::vector<Point> corners;
  if (bytes.size() < 84) return corners;
  std::uint32_t count;
  std::memcpy(&count, bytes.data() + 80, 4);
  if (bytes.size() != 84 + std::size_t(count) * 50) return corners;
  for (std::uint32_t t = 0; t < count; ++t) {
    for (int k = 0; k < 3; ++k) {
      float xyz[3];
      std::memcpy(xyz, bytes.data() + 84 + std::size_t(t) * 50 + 12 + k * 12, sizeof xyz);
      corners.push_back({xyz[0], xyz[1], xyz[2]});
    }
  }
  return corners;
}

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point cross(const Point& a, const Point& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Measure {
  int unpairedEdges = 0;  // directed edges without exactly one opposite partner
  int degenerate = 0;     // triangles that repeat a vertex or have no area
  double volume = 0, area = 0;
};

Measure measure(const Mesh& mesh) {
  Measure m;
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
  for (const auto& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) ++edges[{t[k], t[(k + 1) % 3]}];
    const Point &a = mesh.vertices[t[0]], &b = mesh.vertices[t[1]], &c = mesh.vertices[t[2]];
    const Point n = cross(sub(b, a), sub(c, a));
    const double twiceArea = std::sqrt(dot(n, n));
    if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0] || twiceArea < 1e-12) ++m.degenerate;
    m.area += twiceArea / 2;
    m.volume += dot(a, cross(b, c)) / 6;
  }
  for (const auto& [edge, count] : edges) {
    auto opposite = edges.find({edge.second, edge.first});
    if (count != 1 || opposite == edges.end() || opposite->second != 1) ++m.unpairedEdges;
  }
  return m;
}

class Export : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/veltrix-export-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs `veltrix export GRAPH ARGS` on a graph text; returns the exit status.
  int run(const std::string& graph, const std::string& args) {
    std::ofstream(path("g.vlx"), std::ios::binary) << graph;
    const std::string cmd = "cd '" + dir_.string() + "' && '" VELTRIX_BINARY "' export g.vlx " + args +
                            " >'" + path(".out") + "' 2>'" + path(".err") + "'";
    const int status = std::system(cmd.c_str());
    err_ = slurp(path(".err"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string err_;
};

constexpr double kPi = 3.14159265358979323846;

TEST_F(Export, ClosedSurfacesAndSolidsAreWatertightOutwardAndConverge) {
  struct Case {
    const char* name;
    const char* graph;
    double volume, area;
  } cases[] = {
      {"sphere", "graph3d( x^2+y^2+z^2 = 4 )\n", 32 * kPi / 3, 16 * kPi},
      {"torus", "graph3d.minimumz := -1.5\ngraph3d.maximumz := 1.5\ngraph3d( (r-2)^2+z^2 = 0.64 )\n",
       2 * kPi * kPi * 2 * 0.64, 4 * kPi * kPi * 2 * 0.8},
      {"half ball", "graph3d( x^2+y^2+z^2 <= 4 & z >= 0 )\n", 16 * kPi / 3, 12 * kPi},
      // The plane runs through grid points, where cells meet in single points.
      {"tilted half ball", "graph3d( x^2+y^2+z^2 <= 7 & z >= x/2 )\n", 14 * std::sqrt(7.0) * kPi / 3, 21 * kPi},
      // Cut by the box at z = -3 and 3: the caps close it.
      {"cylinder", "graph3d( x^2+y^2 < 4 )\n", 24 * kPi, 32 * kPi},
      // Caps on every face, crossed by the surface everywhere; the gyroid
      // splits the box into two congruent halves (its area is not checked).
      {"gyroid solid", "graph3d( sin(x)*cos(y)+sin(y)*cos(z)+sin(z)*cos(x) <= 0 )\n", 108, 0},
  };
  for (const Case& c : cases) {
    double previousError[2] = {1e9, 1e9};
    for (int resolution : {21, 41, 81}) {
      SCOPED_TRACE(std::string(c.name) + " at resolution " + std::to_string(resolution));
      ASSERT_EQ(run(c.graph, "-o m.obj --resolution " + std::to_string(resolution)), 0) << err_;
      const Mesh mesh = parseObj(slurp(path("m.obj")));
      ASSERT_GT(mesh.triangles.size(), 500u);
      const Measure m = measure(mesh);
      EXPECT_EQ(m.unpairedEdges, 0);
      EXPECT_EQ(m.degenerate, 0);
      // Positive: the normals point out of the shape.
      const double errors[2] = {std::fabs(m.volume - c.volume) / c.volume,
                                c.area > 0 ? std::fabs(m.area - c.area) / c.area : 0};
      EXPECT_GT(m.volume, 0);
      for (int k = 0; k < (c.area > 0 ? 2 : 1); ++k) {
        EXPECT_LT(errors[k], resolution == 81 ? 0.005 : 0.05) << (k ? "area" : "volume");
        EXPECT_LT(errors[k], previousError[k]) << (k ? "area" : "volume");
        previousError[k] = errors[k];
      }
    }
  }
}

TEST_F(Export, EveryFormHoldsTheSameTrianglesAndAnotherLibraryReadsThem) {
  const char* graph = "graph3d( x^2+y^2+z^2 <= 4 & z >= 0 )\n";
  ASSERT_EQ(run(graph, "-o m.obj --resolution 25"), 0) << err_;
  ASSERT_EQ(run(graph, "-o m.stl --resolution 25"), 0) << err_;
  ASSERT_EQ(run(graph, "--resolution=25 --ascii -o text.stl"), 0) << err_;
  ASSERT_EQ(run(graph, "--resolution 25 -o m.PLY"), 0) << err_;
  ASSERT_EQ(run(graph, "--resolution 25 -o text.ply --ascii"), 0) << err_;
  EXPECT_EQ(err_, "");

  const Mesh obj = parseObj(slurp(path("m.obj")));
  const std::vector<Point> stl = parseStl(slurp(path("m.stl")));
  ASSERT_EQ(stl.size(), 3 * obj.triangles.size());
  for (std::size_t t = 0; t < obj.triangles.size(); ++t) {
    for (int k = 0; k < 3; ++k) {
      const Point d = sub(stl[3 * t + k], obj.vertices[obj.triangles[t][k]]);
      ASSERT_LT(std::sqrt(dot(d, d)), 1e-6) << "triangle " << t;
    }
  }

  for (const char* name : {"m.obj", "m.stl", "text.stl", "m.PLY", "text.ply"}) {
    SCOPED_TRACE(name);
    const aiScene* scene = aiImportFile(path(name).c_str(), aiProcess_JoinIdenticalVertices);
    ASSERT_NE(scene, nullptr) << aiGetErrorString();
    std::size_t faces = 0;
    double volume = 0;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
      const aiMesh* mesh = scene->mMeshes[i];
      faces += mesh->mNumFaces;
      for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        ASSERT_EQ(mesh->mFaces[f].mNumIndices, 3u);
        Point p[3];
        for (int k = 0; k < 3; ++k) {
          const aiVector3D& v = mesh->mVertices[mesh->mFaces[f].mIndices[k]];
          p[k] = {v.x, v.y, v.z};
        }
        volume += dot(p[0], cross(p[1], p[2])) / 6;
      }
      if (std::strstr(name, ".obj")) {
        EXPECT_TRUE(mesh->HasNormals());
      }
      if (std::strstr(name, "ly") || std::strstr(name, "LY")) {
        // Coloured by height as the picture is: green at the box's middle
        // (the flat bottom), towards red at the top.
        ASSERT_TRUE(mesh->HasVertexColors(0));
        unsigned top = 0, bottom = 0;
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
          if (mesh->mVertices[v].z > mesh->mVertices[top].z) top = v;
          if (mesh->mVertices[v].z < mesh->mVertices[bottom].z) bottom = v;
        }
        const aiColor4D &high = mesh->mColors[0][top], &low = mesh->mColors[0][bottom];
        EXPECT_GT(high.r, high.b);
        EXPECT_GT(low.g, low.r);
        EXPECT_GT(low.g, low.b);
      }
    }
    EXPECT_EQ(faces, obj.triangles.size());
    EXPECT_NEAR(volume, 16 * kPi / 3, 0.02 * 16 * kPi / 3);
    aiReleaseImport(scene);
  }
}

TEST_F(Export, ParametricSurfacesGiveTwoTrianglesPerQuadrilateralAndCloseAtSeams) {
  ASSERT_EQ(run("graph3d.minimumu := 0\ngraph3d.maximumu := 2*pi\ngraph3d.minimumv := 0\n"
                "graph3d.maximumv := 2*pi\ngraph3d.stepsu := 24\ngraph3d.stepsv := 12\n"
                "graph3d( rectangular((2+cos(v))*cos(u), (2+cos(v))*sin(u), sin(v)) )\n",
                "-o t.obj"),
            0)
      << err_;
  const Mesh mesh = parseObj(slurp(path("t.obj")));
  EXPECT_EQ(mesh.triangles.size(), 2u * 24 * 12);
  // One vertex per sample, and the samples at u and v of 0 and 2 pi are one:
  // the torus closes at its seams.
  EXPECT_EQ(mesh.vertices.size(), 24u * 12);
  const Measure m = measure(mesh);
  EXPECT_EQ(m.unpairedEdges, 0);
  EXPECT_NEAR(m.volume, 4 * kPi * kPi, 0.08 * 4 * kPi * kPi);
  for (const Point& p : mesh.vertices) {
    const double ring = std::hypot(p[0], p[1]) - 2;
    EXPECT_NEAR(ring * ring + p[2] * p[2], 1, 1e-6);
  }
}

TEST_F(Export, WhatCannotBeExportedIsRefusedWithOneLineAndNoFile) {
  struct Case {
    const char* graph;
    const char* args;
    int exit;
    const char* says;
  } cases[] = {
      {"graph3d( vector(-y, x, 0) )\n", "-o m.stl", 1, "vector field"},
      {"graph3d( rectangular(cos(u), sin(u), u/5) )\n", "-o m.stl", 1, "parametric curve"},
      {"1+1\n", "-o m.stl", 1, "nothing to export"},
      {"", "-o m.obj", 1, "nothing to export"},
      {"graph3d( x^2+y^2+z^2 = 100 )\n", "-o m.stl", 1, "empty"},
      {"graph3d( x^2+y^2+z^2 = 4 )\n", "-o missing/m.stl", 1, "missing/m.stl"},
      {"graph3d( x^2+y^2+z^2 = 4 )\n", "-o m.png", 2, ".stl, .obj or .ply"},
      {"graph3d( x^2+y^2+z^2 = 4 )\n", "-o m.stl --resolution 1025", 2, "--resolution"},
      {"graph3d( x^2+y^2+z^2 = 4 )\n", "", 2, "no output file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.graph) + c.args);
    EXPECT_EQ(run(c.graph, c.args), c.exit);
    EXPECT_NE(err_.find(c.says), std::string::npos) << err_;
    EXPECT_EQ(err_.rfind("veltrix", 0), 0u) << err_;
    if (c.exit == 1) {
      EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    }
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "g.vlx" || name[0] == '.') << name << " left behind";
    }
  }
}

}  // namespace
