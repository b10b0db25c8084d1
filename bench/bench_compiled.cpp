// Compiled expressions against the same expressions as native long double code
// over the same x87 routines: nanoseconds per grid point along a row of 1,000
// points, with x and y folded and z the inner sweep variable read through the
// point pointer, as the grid walk runs them. Each expression runs three ways:
// compiled code in the interpreter, compiled code as native code, and C++.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/executablememory.h"
#include "base/fpu.h"
#include "lang/lang.h"
#include "lang/mathlib.h"
#include "lang/native.h"
#include "lang/nodes.h"
#include "lang/parser.h"

namespace {

using real = long double;
constexpr int kRow = 1000;
constexpr double kX = 0.7, kY = -1.3, kA = 1, kB = 1, kC = 1, kD = 1, kTime = 2.5;

std::vector<double> rowOfZ() {
  std::vector<double> z(kRow);
  for (int i = 0; i < kRow; ++i) z[i] = -3 + 6.0 * i / (kRow - 1);
  return z;
}

struct Compiled {
  vx::Allocator allocator;
  vx::LangState state{allocator};
  vx::CompiledCode* code = nullptr;

  Compiled(const char* text, bool native) {
    static const bool installed = (vx::useExecutableMemory(&vx::systemExecutableMemory()), true);
    (void)installed;
    vx::setNativeCode(native);
    vx::LineList lines;
    lines.append(text);
    state.value(vx::kX) = kX;
    state.value(vx::kY) = kY;
    state.value(vx::kA) = kA;
    state.value(vx::kB) = kB;
    state.value(vx::kC) = kC;
    state.value(vx::kD) = kD;
    state.value(vx::kTime) = kTime;
    state.cells[vx::kZ].flags = vx::kInnerSweep;
    vx::ExprNode* tree = vx::parseCommand(state, lines.first(), nullptr);
    vx::ExprNode* folded = vx::foldExpression(state, tree, vx::Form::Value);
    code = vx::compileExpression(state, folded, vx::Form::Value);
    vx::setNativeCode(true);
    vx::releaseExpression(state, folded);
    vx::releaseExpression(state, tree);
  }
  ~Compiled() { vx::releaseCode(state, code); }
};

void runCompiled(benchmark::State& bench, const char* text, bool native) {
  vx::setProgramFloatingPointMode();
  Compiled compiled(text, native);
  if (native && !vx::nativeFunction(compiled.code->native)) bench.SkipWithError("no native code");
  std::vector<double> z = rowOfZ();
  std::vector<real> out(kRow);
  for (auto _ : bench) {
    for (int i = 0; i < kRow; ++i) out[i] = vx::runValue(compiled.code, &z[i]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  bench.counters["ns/point"] =
      benchmark::Counter(kRow, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The walk's way: the condition status of every point of the row in one call.
void runCompiledRow(benchmark::State& bench, const char* text, bool native) {
  vx::setProgramFloatingPointMode();
  Compiled compiled(text, native);
  if (native && !vx::nativeRowFunction(compiled.code->native)) bench.SkipWithError("no native row code");
  std::vector<double> z = rowOfZ();
  std::vector<std::uint16_t> out(kRow);
  for (auto _ : bench) {
    vx::runConditionRow(compiled.code, z.data(), kRow, out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  bench.counters["ns/point"] =
      benchmark::Counter(kRow, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <class F>
void runNative(benchmark::State& bench, F f) {
  vx::setProgramFloatingPointMode();
  std::vector<double> z = rowOfZ();
  std::vector<real> out(kRow);
  for (auto _ : bench) {
    real x = kX, y = kY;
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    for (int i = 0; i < kRow; ++i) out[i] = f(x, y, real(z[i]));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  bench.counters["ns/point"] =
      benchmark::Counter(kRow, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

namespace m = vx::math;

const char* const kSphere = "x^2+y^2+z^2-9";
inline real sphere(real x, real y, real z) { return x * x + y * y + z * z - 9; }

const char* const kWaves = "sin(x)+cos(y)*z";
inline real waves(real x, real y, real z) { return m::sin(x) + m::cos(y) * z; }

const char* const kOpening = "a*x^2+b*y^2+sin(c*time)-d*z^2";
inline real opening(real x, real y, real z) {
  real a = kA, b = kB, c = kC, d = kD, t = kTime;
  return a * x * x + b * y * y + m::sin(c * t) - d * z * z;
}

// A colour expression of the kind people write for graph3d.color.
const char* const kColour = "sin(3*z)^2+cos(x*y+z)/2+sqrt(z^2+x^2)/(1+abs(z))-atan(z*a)*ln(z^2+2)";
inline real colour(real x, real y, real z) {
  real a = kA, s = m::sin(3 * z);
  return s * s + m::cos(x * y + z) / 2 + m::sqrt(z * z + x * x) / (1 + std::fabs(z)) -
         m::atan(z * a) * m::ln(z * z + 2);
}

void BM_SphereCompiled(benchmark::State& s) { runCompiled(s, kSphere, false); }
void BM_SphereCompiledNative(benchmark::State& s) { runCompiled(s, kSphere, true); }
void BM_SphereCompiledRow(benchmark::State& s) { runCompiledRow(s, kSphere, false); }
void BM_SphereCompiledNativeRow(benchmark::State& s) { runCompiledRow(s, kSphere, true); }
void BM_SphereNative(benchmark::State& s) { runNative(s, [](real x, real y, real z) { return sphere(x, y, z); }); }
void BM_WavesCompiled(benchmark::State& s) { runCompiled(s, kWaves, false); }
void BM_WavesCompiledNative(benchmark::State& s) { runCompiled(s, kWaves, true); }
void BM_WavesCompiledNativeRow(benchmark::State& s) { runCompiledRow(s, kWaves, true); }
void BM_WavesNative(benchmark::State& s) { runNative(s, [](real x, real y, real z) { return waves(x, y, z); }); }
// The same row with the constant parts hoisted by hand, as folding does.
void BM_WavesNativeFolded(benchmark::State& bench) {
  vx::setProgramFloatingPointMode();
  std::vector<double> z = rowOfZ();
  std::vector<real> out(kRow);
  for (auto _ : bench) {
    real x = kX, y = kY;
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    real c1 = m::sin(x), c2 = m::cos(y);
    for (int i = 0; i < kRow; ++i) out[i] = c1 + c2 * real(z[i]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  bench.counters["ns/point"] =
      benchmark::Counter(kRow, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
void BM_OpeningCompiled(benchmark::State& s) { runCompiled(s, kOpening, false); }
void BM_OpeningCompiledNative(benchmark::State& s) { runCompiled(s, kOpening, true); }
void BM_OpeningCompiledNativeRow(benchmark::State& s) { runCompiledRow(s, kOpening, true); }
void BM_OpeningNative(benchmark::State& s) { runNative(s, [](real x, real y, real z) { return opening(x, y, z); }); }
void BM_ColourCompiled(benchmark::State& s) { runCompiled(s, kColour, false); }
void BM_ColourCompiledNative(benchmark::State& s) { runCompiled(s, kColour, true); }
void BM_ColourNative(benchmark::State& s) { runNative(s, [](real x, real y, real z) { return colour(x, y, z); }); }

BENCHMARK(BM_SphereCompiled);
BENCHMARK(BM_SphereCompiledNative);
BENCHMARK(BM_SphereCompiledRow);
BENCHMARK(BM_SphereCompiledNativeRow);
BENCHMARK(BM_SphereNative);
BENCHMARK(BM_WavesCompiled);
BENCHMARK(BM_WavesCompiledNative);
BENCHMARK(BM_WavesCompiledNativeRow);
BENCHMARK(BM_WavesNative);
BENCHMARK(BM_WavesNativeFolded);
BENCHMARK(BM_OpeningCompiled);
BENCHMARK(BM_OpeningCompiledNative);
BENCHMARK(BM_OpeningCompiledNativeRow);
BENCHMARK(BM_OpeningNative);
BENCHMARK(BM_ColourCompiled);
BENCHMARK(BM_ColourCompiledNative);
BENCHMARK(BM_ColourNative);

}  // namespace

BENCHMARK_MAIN();
