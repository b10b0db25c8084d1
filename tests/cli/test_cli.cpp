// The veltrix tool as scripts see it: output, exit statuses, files left behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int exit = -1;
  std::string out;
  std::string err;
};

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/veltrix-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }

  static std::string slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs the tool through the shell; `args` is already quoted as needed. A tool
  // that waits for ever is stopped after a minute (exit status 124).
  Outcome veltrix(const std::string& args, const std::string& stdinText = "", std::string output = "") const {
    std::string input = write(".stdin", stdinText);
    if (output.empty()) output = path(".out");
    std::string cmd = std::string("cd '") + dir_.string() + "' && timeout 60 '" VELTRIX_BINARY "' " + args + " <'" +
                      input + "' >'" + output + "' 2>'" + path(".err") + "'";
    Outcome o;
    int status = std::system(cmd.c_str());
    o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = slurp(path(".out"));
    o.err = slurp(path(".err"));
    return o;
  }

  fs::path dir_;
};

TEST_F(Cli, RunPrintsWhatTheStatusBarShows) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"graph3d.resolution := 30\ngraph3d( x^2+y^2+z^2 = 9 )\n", "graph3d( x^2+y^2+z^2 = 9 )"},
      {"1/3\n", ".333333333333333333"},
      {"2^10", "1024"},
      {"graph3d.contrast := 1/4\r\n", ".25"},
      {"graph3d( x = 1 )\n; a comment\n", "Syntax error"},
      {"graph3d( (x^2+y^2+z^2=9,\nsin(x)+sin(y)=sin(z)) )\n", "graph3d( (x^2+y^2+z^2=9,"},
      {"", ""},
      {"\n\n", ""},
      {"sqrt(-1)\n", "indeterminate or overflow"},
      {"graph3d.resolution := 100000\ngraph3d( x = 1 )\n", "Syntax error"},
  };
  for (const Case& c : cases) {
    write("g.vlx", c.text);
    Outcome o = veltrix("run g.vlx");
    EXPECT_EQ(o.exit, 0) << c.text;
    EXPECT_EQ(o.out, std::string(c.shown) + "\n") << c.text;
    EXPECT_EQ(o.err, "") << c.text;
  }
}

TEST_F(Cli, RunWithoutFileRunsTheOpeningGraph) {
  Outcome o = veltrix("run");
  EXPECT_EQ(o.exit, 0);
  EXPECT_EQ(o.out, "graph3d(a*x^2+b*y^2+sin(c*time)=d*z^2)\n");
}

TEST_F(Cli, RunReadsStandardInputAndStartsTheClockAtTime) {
  Outcome o = veltrix("run -", "floor(time)\n");
  EXPECT_EQ(o.out, "0\n");
  o = veltrix("run --time 12.5 -", "floor(time*2)\n");
  EXPECT_EQ(o.exit, 0);
  EXPECT_EQ(o.out, "25\n");
  o = veltrix("run --time=-3 -", "floor(time)\n");
  EXPECT_EQ(o.out, "-3\n");
  write("-t.vlx", "7*6\n");
  EXPECT_EQ(veltrix("run -- -t.vlx").out, "42\n");
}

TEST_F(Cli, RunRefusesUnreadableTextsWithOneLineNamingTheFile) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"lonecr.vlx", "a := 1\r\r\n2\r\n"},
      {"aftereof.vlx", "2\r\n\x1a" "3"},
      {"longline.vlx", std::string(36864, '1')},
      {"badheader.vlx", "\x1aVY\x00\x05"},
      {"truncated.vlx", std::string("\x1aVX\x00\x07", 5)},
  };
  for (const Case& c : cases) {
    write(c.name, c.bytes);
    Outcome o = veltrix(std::string("run ") + c.name);
    EXPECT_EQ(o.exit, 1) << c.name;
    EXPECT_EQ(o.out, "") << c.name;
    EXPECT_NE(o.err.find(c.name), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
  Outcome missing = veltrix("run nothing-here.vlx");
  EXPECT_EQ(missing.exit, 1);
  EXPECT_NE(missing.err.find("nothing-here.vlx"), std::string::npos);
}

TEST_F(Cli, LongestLineIsAcceptedAndEndMarkIsAllowedLast) {
  write("max.vlx", std::string(36863, '1'));
  EXPECT_EQ(veltrix("run max.vlx").exit, 0);
  write("eof.vlx", "2+2\r\n\x1a");
  Outcome o = veltrix("run eof.vlx");
  EXPECT_EQ(o.exit, 0);
  EXPECT_EQ(o.out, "4\n");
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
  for (const char* args : {"", "frobnicate", "run --time", "run --time x", "run a b", "run --bogus",
                           "convert in out", "convert --to gif in out", "convert --to binary in",
                           "convert --to binary --seed 256 in out", "convert --to binary --seed -1 in out"}) {
    Outcome o = veltrix(args);
    EXPECT_EQ(o.exit, 2) << args;
    EXPECT_NE(o.err, "") << args;
  }
}

TEST_F(Cli, EveryCommandHasHelp) {
  for (const char* args : {"--help", "run --help", "convert --help", "render --help"}) {
    Outcome o = veltrix(args);
    EXPECT_EQ(o.exit, 0) << args;
    EXPECT_NE(o.out.find("usage: veltrix"), std::string::npos) << args;
  }
}

TEST_F(Cli, ConvertRoundTripsAndIsReproducibleWithASeed) {
  const std::string text = "graph3d.resolution := 30\r\n\tz\xe9 := 1\r\ngraph3d( x^2+y^2+z^2 = 9 )\r\n";
  write("in.vlx", text);
  ASSERT_EQ(veltrix("convert --to binary --seed 42 in.vlx b1.vlx").exit, 0);
  ASSERT_EQ(veltrix("convert --to binary --seed 42 in.vlx b2.vlx").exit, 0);
  ASSERT_EQ(veltrix("convert --to=binary --seed=43 in.vlx b3.vlx").exit, 0);
  std::string b1 = slurp(path("b1.vlx"));
  EXPECT_EQ(b1, slurp(path("b2.vlx")));
  EXPECT_NE(b1, slurp(path("b3.vlx")));
  EXPECT_EQ(b1.substr(0, 5), std::string("\x1aVX\x00\x2a", 5));
  ASSERT_EQ(veltrix("convert --to ascii b3.vlx back.vlx").exit, 0);
  EXPECT_EQ(slurp(path("back.vlx")), text);
  EXPECT_EQ(veltrix("run b1.vlx").out, "graph3d( x^2+y^2+z^2 = 9 )\n");
  // Standard input and output.
  Outcome o = veltrix("convert --to ascii - -", b1);
  EXPECT_EQ(o.exit, 0);
  EXPECT_EQ(o.out, text);
}

TEST_F(Cli, ConvertOfRefusedInputLeavesNoOutput) {
  write("bad.vlx", "1\r2\r\n");
  write("existing.vlx", "keep me\r\n");
  for (const char* out : {"new.vlx", "existing.vlx"}) {
    Outcome o = veltrix(std::string("convert --to binary bad.vlx ") + out);
    EXPECT_EQ(o.exit, 1);
    EXPECT_NE(o.err.find("bad.vlx"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(path("new.vlx")));
  EXPECT_EQ(slurp(path("existing.vlx")), "keep me\r\n");
  Outcome o = veltrix("convert --to ascii existing.vlx no-such-folder/out.vlx");
  EXPECT_EQ(o.exit, 1);
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().rfind(".veltrix-", 0), std::string::npos) << entry.path();
}

TEST_F(Cli, DataFilesAreFoundBesideTheGraphFile) {
  fs::create_directory(path("sub"));
  write("sub/grid.txt", "2 2 2\n0 1 0 1\n0 1 0 1\n");
  write("sub/g.vlx", "graph3d( read3dtextfile(\"grid.txt\") = 0.5 )\n");
  EXPECT_EQ(veltrix("run sub/g.vlx").out, "graph3d( read3dtextfile(\"grid.txt\") = 0.5 )\n");
  write("sub/missing.vlx", "graph3d( read3dtextfile(\"nope.txt\") = 0.5 )\n");
  Outcome o = veltrix("run sub/missing.vlx");
  EXPECT_EQ(o.exit, 0);
  EXPECT_EQ(o.out, "Syntax error\n");
  write("sub/bad.txt", "2 2 2\n0 1 x\n");
  write("sub/malformed.vlx", "graph3d( read3dtextfile(\"bad.txt\") = 0.5 )\n");
  EXPECT_EQ(veltrix("run sub/malformed.vlx").out, "Syntax error\n");
}

TEST_F(Cli, OutputsThatAreNotPlainFilesOrAreTheInputAreRefusedAndLeftAlone) {
  const std::string graph = "graph3d( x^2+y^2+z^2 = 9 )\n";
  write("g.vlx", graph);
  write("target.txt", "target");
  fs::create_symlink("target.txt", path("link.png"));
  ASSERT_EQ(mkfifo(path("fifo.png").c_str(), 0644), 0);
  std::vector<std::string> refused = {"link.png", "fifo.png"};
  if (mknod(path("null.png").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) refused.push_back("null.png");  // as root
  for (const std::string& out : refused) {
    for (const std::string& args : {"render g.vlx --size 8x8 -o " + out, "convert --to ascii g.vlx " + out}) {
      Outcome o = veltrix(args);
      EXPECT_EQ(o.exit, 1) << args;
      EXPECT_NE(o.err.find(out + ": not a regular file"), std::string::npos) << o.err;
    }
  }
  EXPECT_TRUE(fs::is_symlink(path("link.png")));
  EXPECT_EQ(slurp(path("target.txt")), "target");
  EXPECT_TRUE(fs::is_fifo(path("fifo.png")));

  // The input, by its own name or another link to it, is never overwritten.
  fs::create_hard_link(path("g.vlx"), path("same.vlx"));
  for (const char* args : {"render g.vlx --size 8x8 -o g.vlx", "convert --to binary g.vlx g.vlx",
                           "convert --to binary g.vlx same.vlx", "convert --to ascii - .stdin"}) {
    Outcome o = veltrix(args, graph);
    EXPECT_EQ(o.exit, 1) << args;
    EXPECT_NE(o.err.find("the output is the input file"), std::string::npos) << o.err;
  }
  EXPECT_EQ(slurp(path("g.vlx")), graph);

  // A replaced file keeps its permissions; a new one gets the usual ones.
  write("kept.vlx", "old\r\n");
  fs::permissions(path("kept.vlx"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(veltrix("convert --to ascii g.vlx kept.vlx").exit, 0);
  EXPECT_EQ(slurp(path("kept.vlx")), "graph3d( x^2+y^2+z^2 = 9 )\r\n");
  EXPECT_EQ(fs::status(path("kept.vlx")).permissions() & fs::perms::all, fs::perms(0640));
  const mode_t mask = umask(0);
  umask(mask);
  ASSERT_EQ(veltrix("convert --to ascii g.vlx new.vlx").exit, 0);
  EXPECT_EQ(fs::status(path("new.vlx")).permissions() & fs::perms::all, fs::perms(0666 & ~mask));
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().rfind(".veltrix-", 0), std::string::npos) << entry.path();
}

TEST_F(Cli, PipesAreNeverWaitedForAndAFullOutputIsReported) {
  ASSERT_EQ(mkfifo(path("pipe.vlx").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(path("grid.txt").c_str(), 0644), 0);
  Outcome o = veltrix("run pipe.vlx");
  EXPECT_EQ(o.exit, 1);
  EXPECT_EQ(o.err, "veltrix: pipe.vlx: not a regular file (a named pipe)\n");
  write("g.vlx", "graph3d( read3dtextfile(\"grid.txt\") = 0.5 )\n");
  o = veltrix("run g.vlx");
  EXPECT_EQ(o.exit, 0);
  EXPECT_EQ(o.out, "Syntax error\n");
  o = veltrix("run .", "");
  EXPECT_EQ(o.err, "veltrix: .: not a regular file (a folder)\n");

  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (const char* args : {"run -", "convert --to ascii - -", "render - --size 8x8 -o -", "--help"}) {
    o = veltrix(args, "graph3d( z = x )\n", "/dev/full");
    EXPECT_EQ(o.exit, 1) << args;
    EXPECT_NE(o.err.find("veltrix: standard output: writing failed (No space left on device)"), std::string::npos)
        << args << ": " << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
}

// Width and height from a PNG header, or {0, 0} when the bytes are not a PNG.
std::pair<unsigned, unsigned> pngSize(const std::string& png) {
  if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  auto be32 = [&](std::size_t at) {
    return (unsigned(static_cast<unsigned char>(png[at])) << 24) | (unsigned(static_cast<unsigned char>(png[at + 1])) << 16) |
           (unsigned(static_cast<unsigned char>(png[at + 2])) << 8) | unsigned(static_cast<unsigned char>(png[at + 3]));
  };
  return {be32(16), be32(20)};
}

TEST_F(Cli, RenderWritesAPictureOfTheRequestedSize) {
  write("sphere.vlx", "graph3d( x^2+y^2+z^2 = 9 )\n");
  for (const char* depth : {"32", "8"}) {
    Outcome o = veltrix(std::string("render sphere.vlx -o s.png --size 320x200 --depth ") + depth);
    EXPECT_EQ(o.exit, 0) << o.err;
    EXPECT_EQ(pngSize(slurp(path("s.png"))), std::make_pair(320u, 200u)) << depth;
  }
  Outcome o = veltrix("render -o opening.png --size=64x48 --time 2 --angles -0.3,-0.2 --zoom=0.5");
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(pngSize(slurp(path("opening.png"))), std::make_pair(64u, 48u));
  o = veltrix("render - -o - --size 10x10", "graph3d( z = x )\n");
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(pngSize(o.out), std::make_pair(10u, 10u));
}

TEST_F(Cli, RenderWithoutAGraphWritesNothing) {
  struct Case {
    const char* text;
    const char* reason;
  } cases[] = {
      {"graph3d( x^2+y^2 )\n", "Syntax error"},
      {"2+2\n", "4"},
      {"", ""},
      {"graph3d.resolution := 100000\ngraph3d( x = 1 )\n", "Syntax error (the grid is too fine"},
  };
  for (const Case& c : cases) {
    write("g.vlx", c.text);
    Outcome o = veltrix("render g.vlx -o out.png");
    EXPECT_EQ(o.exit, 1) << c.text;
    EXPECT_NE(o.err.find("g.vlx"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(c.reason), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(path("out.png"))) << c.text;
  }
}

TEST_F(Cli, RenderRefusesBadOptions) {
  for (const char* args : {"render", "render -o", "render -o x.png --size 16385x10", "render -o x.png --size 0x10",
                           "render -o x.png --size 10", "render -o x.png --depth 16", "render -o x.png --zoom 11",
                           "render -o x.png --angles 1", "render -o x.png --time t"}) {
    Outcome o = veltrix(args);
    EXPECT_EQ(o.exit, 2) << args;
    EXPECT_NE(o.err, "") << args;
    EXPECT_FALSE(fs::exists(path("x.png"))) << args;
  }
}

}  // namespace
