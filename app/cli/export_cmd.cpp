// veltrix export: the surfaces of a graph file as a triangle mesh (STL, OBJ or
// PLY) in the graph's own coordinates.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/limits.h"
#include "cli/cli.h"
#include "render/meshexport.h"

namespace vx::cli {

namespace {

const char kExportHelp[] =
    "usage: veltrix export [FILE|-] -o OUT.stl|OUT.obj|OUT.ply [--resolution N]\n"
    "                      [--time T] [--ascii] [--release current|2000]\n"
    "\n"
    "Executes a graph file as the program does when it opens it and writes the\n"
    "surfaces of its graph command as a triangle mesh in the graph's x, y and z,\n"
    "made from the same points the picture is drawn from. The form follows the\n"
    "name of OUT: STL (binary, or text with --ascii), OBJ with vertex normals, or\n"
    "PLY with vertex colours from the graph's colour mode (binary, or text with\n"
    "--ascii). With no FILE the built-in opening graph is used; '-' reads\n"
    "standard input.\n"
    "\n"
    "An inequality or an intersection of inequalities becomes a closed solid: its\n"
    "surface and the caps where it meets the box, with outward normals. An equation\n"
    "becomes its surface (closed by itself for a sphere or a torus). Parametric\n"
    "surfaces give their quadrilaterals, two triangles each. Vector fields and\n"
    "parametric curves have no surface and are refused.\n"
    "\n"
    "  -o, --output OUT  the mesh file to write (.stl, .obj or .ply)\n"
    "  --resolution N    grid points along the longest axis, 2..1024, instead of\n"
    "                    the graph's graph3d.resolution\n"
    "  --time T          the value of 'time' in seconds (default 0)\n"
    "  --ascii           text STL or PLY instead of binary\n"
    "  --release R       the language and file rules of release R: 'current'\n"
    "                    (default) or '2000'\n"
    "  --help            show this help\n"
    "\n"
    "A mesh that takes more than a second shows its progress when standard error\n"
    "is a terminal. Ctrl-C stops it: nothing is written and the exit status is 130.\n";

struct ExportArguments {
  const char* path = nullptr;
  std::string output;
  MeshFormat format = MeshFormat::StlBinary;
  bool ascii = false;
  double resolution = 0;  // 0: the graph's own
  double time = 0;
  const ReleaseProfile* release = &kCurrentRelease;
};

struct FormatName {
  const char* suffix;
  MeshFormat binary, text;
};

constexpr FormatName kFormats[] = {
    {".stl", MeshFormat::StlBinary, MeshFormat::StlAscii},
    {".obj", MeshFormat::Obj, MeshFormat::Obj},
    {".ply", MeshFormat::PlyBinary, MeshFormat::PlyAscii},
};

const FormatName* formatOf(const std::string& path) {
  for (const FormatName& f : kFormats) {
    const std::size_t n = std::strlen(f.suffix);
    if (path.size() <= n) continue;
    bool same = true;
    for (std::size_t i = 0; i < n; ++i) {
      char c = path[path.size() - n + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = same && c == f.suffix[i];
    }
    if (same) return &f;
  }
  return nullptr;
}

// Returns -1 when the arguments are fine, otherwise the exit status.
int parseArguments(int argc, char** argv, ExportArguments& args) {
  ArgumentScanner scan(argc, argv);
  while (scan.next()) {
    if (!scan.isOption()) {
      if (args.path) return usageError("export", "only one graph file can be exported");
      args.path = scan.operand();
      continue;
    }
    const std::string& option = scan.name();
    if (option == "--help" || option == "-h") {
      std::fputs(kExportHelp, stdout);
      return kExitDone;
    }
    if (option == "-o" || option == "--output") {
      const char* v = scan.value();
      if (!v || !*v) return usageError("export", "-o needs the name of the mesh file");
      args.output = v;
    } else if (option == "--resolution") {
      const char* v = scan.value();
      if (!v || !parseDoubleArgument(v, args.resolution) || args.resolution != static_cast<int>(args.resolution) ||
          args.resolution < 2 || args.resolution > kMaxAxisPoints) {
        return usageError("export", "--resolution needs a whole number of points from 2 to 1024");
      }
    } else if (option == "--time") {
      const char* v = scan.value();
      if (!v || !parseDoubleArgument(v, args.time)) return usageError("export", "--time needs a number of seconds");
    } else if (option == "--ascii") {
      args.ascii = true;
    } else if (option == "--release") {
      int exitStatus = kExitDone;
      if (!parseReleaseArgument("export", scan.value(), args.release, exitStatus)) return exitStatus;
    } else {
      return usageError("export", "unknown option '" + option + "'");
    }
  }
  if (args.output.empty()) return usageError("export", "no output file: give -o OUT.stl, OUT.obj or OUT.ply");
  const FormatName* format = formatOf(args.output);
  if (!format) return usageError("export", "the output's name must end in .stl, .obj or .ply");
  args.format = args.ascii ? format->text : format->binary;
  return -1;
}

std::string refusalOf(const ExecResult& result) {
  switch (result.outcome) {
    case ExecOutcome::SyntaxError:
      return result.status;
    case ExecOutcome::Value:
      return "nothing to export: the last line is not a graph command (its value is " + result.status + ")";
    case ExecOutcome::Empty:
      return "nothing to export: the text is empty";
    case ExecOutcome::Graph:
      break;
  }
  return "";
}

// Builds and encodes the mesh; on failure returns the exit status (the message
// printed), otherwise -1.
int exportMesh(PosixHost& host, Document& document, const ExportArguments& args, std::string& bytes) {
  const std::string name = graphTextName(args.path);
  try {
    ExportMesh mesh;
    std::string reason;
    host.showProgress("veltrix export");
    const Status status = buildExportMesh(document.renderer, document.state, document.job, mesh, reason, &host);
    host.finishProgress();
    if (status == kCancelled || PosixHost::interrupted()) {
      std::fputs("veltrix: interrupted\n", stderr);
      return kExitInterrupted;
    }
    if (failed(status)) return refuse(name, reason.empty() ? describeStatus(status) : reason);
    bytes = encodeMesh(mesh, args.format);
  } catch (const std::bad_alloc&) {
    host.finishProgress();
    return refuse(name, "not enough memory for the mesh");
  }
  return -1;
}

}  // namespace

int commandExport(int argc, char** argv) {
  ExportArguments args;
  const int parsed = parseArguments(argc, argv, args);
  if (parsed >= 0) return parsed;

  PosixHost::catchInterrupt();
  PosixHost host;
  host.setClock(args.time, false);
  Allocator allocator;
  Document document(allocator, host);
  document.setRelease(*args.release);
  if (!readGraphText(host, document, args.path)) return kExitRefused;
  const ExecResult& result = document.execute();
  const std::string name = graphTextName(args.path);
  if (result.outcome != ExecOutcome::Graph) {
    const std::string& why = document.jobRefusal;
    return refuse(name, refusalOf(result) + (why.empty() ? "" : " (" + why + ")"));
  }
  if (args.resolution > 0) {
    document.state.value(kResolution) = args.resolution;
    const char* reason = nullptr;
    if (failed(buildRenderJob(document.state, document.job, &reason))) return refuse(name, reason);
  }
  if (document.job.usesTime()) document.state.value(kTime) = host.clockSeconds();

  std::string bytes;
  const int failure = exportMesh(host, document, args, bytes);
  if (failure >= 0) return failure;
  return writeOutput(host, args.output, bytes);
}

}  // namespace vx::cli
