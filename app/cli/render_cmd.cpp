// veltrix render: draw the picture the program would show for a graph file and
// write it as a PNG, or draw it frame after frame as an animated GIF or PNG.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/limits.h"
#include "cli/animation.h"
#include "cli/cli.h"
#include "cli/font.h"
#include "cli/png_writer.h"
#include "render/render.h"

#ifndef VELTRIX_FONT_PATH
#define VELTRIX_FONT_PATH "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"
#endif

namespace vx::cli {

namespace {

const char kRenderHelp[] =
    "usage: veltrix render [FILE|-] -o OUT.png [--size WxH] [--time T] [--angles H,E]\n"
    "                      [--zoom Z] [--depth 32|8] [--release current|2000]\n"
    "       veltrix render [FILE|-] -o OUT.gif|OUT.png --frames N [--from T0] [--to T1]\n"
    "                      [--turn R] [--fps F] [options]\n"
    "\n"
    "Executes a graph file as the program does when it opens it and draws the\n"
    "picture it shows, without a window. The last command must be a graph command.\n"
    "With no FILE the built-in opening graph is drawn; '-' reads standard input.\n"
    "\n"
    "  -o, --output OUT  the PNG file to write ('-' for standard output), or a GIF\n"
    "                    when OUT ends in .gif\n"
    "  --size WxH        picture size in pixels, 1..16384 each (default 1024x768)\n"
    "  --time T          the value of 'time' in seconds (default 0)\n"
    "  --angles H,E      horizontal and elevation angles in radians, instead of\n"
    "                    those of the graph's view preset\n"
    "  --zoom Z          zoom factor, 0.001..10 (default 1)\n"
    "  --depth 32|8      32-bit colour (default) or the 8-bit palettised picture,\n"
    "                    which has no shading, highlight, contrast or transparency\n"
    "  --release R       the language and file rules of release R: 'current'\n"
    "                    (default) or '2000' (see 'veltrix run --help')\n"
    "  --help            show this help\n"
    "\n"
    "Animations (OUT.gif or OUT.png, chosen by the extension; they loop for ever):\n"
    "  --frames N        draw N frames, 1..1000\n"
    "  --from T0         'time' in the first frame (default: --time)\n"
    "  --to T1           'time' in the last frame (default: T0)\n"
    "  --turn R          turn the view by R radians about the vertical axis over\n"
    "                    the whole loop, in equal steps (6.2832 is a full turn)\n"
    "  --fps F           frames per second, 0.01..100 (default 20); a GIF counts\n"
    "                    in hundredths of a second: 1/F is rounded to the nearest\n"
    "  A GIF holds the 8-bit picture with its palette; an animated PNG follows\n"
    "  --depth. Frames that would all be the same (a graph without 'time' and no\n"
    "  --turn) are refused. An OUT.gif without --frames is a GIF of one picture.\n"
    "\n"
    "A picture that takes more than a second, and every animation, shows its progress\n"
    "when standard error is a terminal. Ctrl-C stops it: nothing is written and the\n"
    "exit status is 130.\n";

struct RenderArguments {
  const char* path = nullptr;
  std::string output;
  int width = 1024, height = 768;
  double time = 0;
  bool angles = false;
  double horizontal = 0, elevation = 0;
  double zoom = 1;
  PixelFormat format = PixelFormat::Rgb32;
  const ReleaseProfile* release = &kCurrentRelease;
  bool depthGiven = false;
  // Animations: --frames or an OUT.gif.
  bool animate = false, animationOptions = false, fromGiven = false, toGiven = false;
  Animation animation;
};

bool parseSide(const std::string& text, int& out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  out = std::atoi(text.c_str());
  return true;
}

// Returns an empty string or the usage problem.
std::string parseSize(const char* text, RenderArguments& args) {
  const std::string s = text;
  const std::size_t x = s.find_first_of("xX");
  int w = 0, h = 0;
  if (x == std::string::npos || !parseSide(s.substr(0, x), w) || !parseSide(s.substr(x + 1), h)) {
    return "--size needs WIDTHxHEIGHT in pixels, for example 1024x768";
  }
  if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide) {
    return "--size must be between 1x1 and 16384x16384";
  }
  args.width = w;
  args.height = h;
  return "";
}

std::string parseAngles(const char* text, RenderArguments& args) {
  const std::string s = text;
  const std::size_t comma = s.find(',');
  if (comma == std::string::npos || !parseDoubleArgument(s.substr(0, comma).c_str(), args.horizontal) ||
      !parseDoubleArgument(s.substr(comma + 1).c_str(), args.elevation)) {
    return "--angles needs two numbers H,E in radians";
  }
  args.angles = true;
  return "";
}

bool isAnimationOption(const std::string& option) {
  return option == "--frames" || option == "--from" || option == "--to" || option == "--turn" || option == "--fps";
}

// Returns an empty string or the usage problem.
std::string parseAnimationOption(const std::string& option, const char* value, RenderArguments& args) {
  Animation& a = args.animation;
  double number = 0;
  if (option == "--frames") {
    if (!value || !parseSide(value, a.frames) || a.frames < 1 || a.frames > kMaxFrames) {
      return "--frames needs a number of frames from 1 to " + std::to_string(kMaxFrames);
    }
    args.animate = true;
    return "";
  }
  if (!value || !parseDoubleArgument(value, number)) return option + " needs a number";
  args.animationOptions = true;
  if (option == "--from") {
    a.from = number, args.fromGiven = true;
  } else if (option == "--to") {
    a.to = number, args.toGiven = true;
  } else if (option == "--turn") {
    a.turn = number;
  } else if (number < kMinFps || number > kMaxFps) {
    return "--fps must be between 0.01 and 100";
  } else {
    a.fps = number;
  }
  return "";
}

// Settles what an animation needs once all options are read; returns an empty
// string or the usage problem.
std::string checkAnimation(RenderArguments& args) {
  Animation& a = args.animation;
  const bool named = animationFormatOf(args.output, a.format);
  if (named && a.format == AnimationFormat::Gif) args.animate = true;
  if (!args.animate) {
    return args.animationOptions ? "--from, --to, --turn and --fps need --frames N" : "";
  }
  if (!named) return "an animation is written as OUT.gif or OUT.png";
  if (a.format == AnimationFormat::Gif && args.depthGiven && args.format == PixelFormat::Rgb32) {
    return "a GIF holds the 8-bit picture: --depth 32 cannot be used with OUT.gif";
  }
  if (!args.fromGiven) a.from = args.time;
  if (!args.toGiven) a.to = a.from;
  return "";
}

// Returns -1 when the arguments are fine, otherwise the exit status.
int parseArguments(int argc, char** argv, RenderArguments& args) {
  ArgumentScanner scan(argc, argv);
  while (scan.next()) {
    if (!scan.isOption()) {
      if (args.path) return usageError("render", "only one graph file can be drawn");
      args.path = scan.operand();
      continue;
    }
    const std::string& option = scan.name();
    if (option == "--help" || option == "-h") {
      std::fputs(kRenderHelp, stdout);
      return kExitDone;
    }
    if (option == "-o" || option == "--output") {
      const char* v = scan.value();
      if (!v || !*v) return usageError("render", "-o needs the name of the PNG file");
      args.output = v;
    } else if (option == "--size") {
      const char* v = scan.value();
      if (!v) return usageError("render", "--size needs WIDTHxHEIGHT");
      std::string problem = parseSize(v, args);
      if (!problem.empty()) return usageError("render", problem);
    } else if (option == "--time") {
      const char* v = scan.value();
      if (!v || !parseDoubleArgument(v, args.time)) return usageError("render", "--time needs a number of seconds");
    } else if (option == "--angles") {
      const char* v = scan.value();
      if (!v) return usageError("render", "--angles needs H,E");
      std::string problem = parseAngles(v, args);
      if (!problem.empty()) return usageError("render", problem);
    } else if (option == "--zoom") {
      const char* v = scan.value();
      if (!v || !parseDoubleArgument(v, args.zoom)) return usageError("render", "--zoom needs a number");
      if (args.zoom < 0.001 || args.zoom > 10) {
        return usageError("render", "--zoom must be between 0.001 and 10");
      }
    } else if (option == "--depth") {
      const char* v = scan.value();
      if (v && !std::strcmp(v, "32")) {
        args.format = PixelFormat::Rgb32;
      } else if (v && !std::strcmp(v, "8")) {
        args.format = PixelFormat::Indexed8;
      } else {
        return usageError("render", "--depth must be 32 or 8");
      }
      args.depthGiven = true;
    } else if (option == "--release") {
      int exitStatus = kExitDone;
      if (!parseReleaseArgument("render", scan.value(), args.release, exitStatus)) return exitStatus;
    } else if (isAnimationOption(option)) {
      const std::string problem = parseAnimationOption(option, scan.value(), args);
      if (!problem.empty()) return usageError("render", problem);
    } else {
      return usageError("render", "unknown option '" + option + "'");
    }
  }
  if (args.output.empty()) return usageError("render", "no output file: give -o OUT.png");
  const std::string problem = checkAnimation(args);
  if (!problem.empty()) return usageError("render", problem);
  return -1;
}

// Frames that would all be the same are refused: that is rarely what was meant.
std::string stillAnimation(const RenderArguments& args, const Document& document) {
  const Animation& a = args.animation;
  if (!args.animate || a.frames < 2 || a.turn != 0) return "";
  if (!document.job.usesTime()) {
    return "every frame would be the same: the graph does not use 'time' (give --turn R to turn the view)";
  }
  if (a.from == a.to) return "every frame would be the same: 'time' does not move (give --from T0 --to T1)";
  return "";
}

std::string refusalOf(const ExecResult& result) {
  switch (result.outcome) {
    case ExecOutcome::SyntaxError:
      return result.status;
    case ExecOutcome::Value:
      return "nothing to draw: the last line is not a graph command (its value is " + result.status + ")";
    case ExecOutcome::Empty:
      return "nothing to draw: the text is empty";
    case ExecOutcome::Graph:
      break;
  }
  return "";
}

int interrupted() {
  std::fputs("veltrix: interrupted\n", stderr);
  return kExitInterrupted;
}

// Draws the picture and encodes it; on failure returns the exit status (the
// message printed), otherwise -1.
int drawPicture(PosixHost& host, Document& document, const RenderArguments& args, std::string& png) {
  try {
    OwnedFrameBuffer picture(args.format, args.width, args.height);
    host.showProgress("veltrix render");
    const Status status = document.draw(picture.get());
    host.finishProgress();
    if (status == kCancelled || PosixHost::interrupted()) return interrupted();
    if (failed(status)) return refuse(args.output, describeStatus(status));
    const std::string problem = encodePng(picture.get(), *document.renderer.colorTable, png);
    if (!problem.empty()) return refuse(args.output, problem);
  } catch (const std::bad_alloc&) {
    host.finishProgress();
    return refuse(graphTextName(args.path), "not enough memory for a " + std::to_string(args.width) + "x" +
                                                std::to_string(args.height) + " picture");
  }
  return -1;
}

}  // namespace

int commandRender(int argc, char** argv) {
  RenderArguments args;
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
  if (result.outcome != ExecOutcome::Graph) {
    const std::string& why = document.jobRefusal;
    return refuse(graphTextName(args.path), refusalOf(result) + (why.empty() ? "" : " (" + why + ")"));
  }
  if (args.angles) {
    document.view.horizontal = static_cast<float>(args.horizontal);
    document.view.elevation = static_cast<float>(args.elevation);
    updateEyeVector(document.view);
  }
  document.zoom = static_cast<float>(args.zoom);
  const std::string still = stillAnimation(args, document);
  if (!still.empty()) return refuse(graphTextName(args.path), still);

  FontPainter font;
  std::string fontProblem;
  if (font.load(VELTRIX_FONT_PATH, fontProblem)) {
    document.renderer.text = font.painter();
  } else if (document.job.box()) {
    std::fprintf(stderr, "veltrix render: %s; the box is drawn without labels\n", fontProblem.c_str());
  }

  std::string bytes;
  const int failure = args.animate ? drawAnimation(host, document, args.animation, args.width, args.height,
                                                   args.format, args.output, bytes)
                                   : drawPicture(host, document, args, bytes);
  if (failure >= 0) return failure;
  if (PosixHost::interrupted()) return interrupted();
  return writeOutput(host, args.output, bytes);
}

}  // namespace vx::cli
