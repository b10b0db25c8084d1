// Sine plus cosine, the commonest pair in the parametric forms: the processor's
// fsin and fcos (what the function library uses), the C library's long-double
// functions, and the double functions, over the same varying arguments.
#include <benchmark/benchmark.h>

#include <cmath>

#include "base/fpu.h"
#include "lang/x87.h"

namespace {

// Arguments sweep 0..8 so that no call sees a constant.
template <typename Real>
Real nextArgument(Real x) {
  x += static_cast<Real>(0.001);
  return x > 8 ? x - 8 : x;
}

void BM_X87SineCosine(benchmark::State& state) {
  vx::setProgramFloatingPointMode();
  long double x = 0.5L;
  for (auto _ : state) {
    long double s = 0, c = 0;
    vx::x87::fsin(x, s);
    vx::x87::fcos(x, c);
    benchmark::DoNotOptimize(s + c);
    x = nextArgument(x);
  }
}
BENCHMARK(BM_X87SineCosine);

void BM_LongDoubleLibrarySineCosine(benchmark::State& state) {
  vx::setProgramFloatingPointMode();
  long double x = 0.5L;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::sin(x) + std::cos(x));
    x = nextArgument(x);
  }
}
BENCHMARK(BM_LongDoubleLibrarySineCosine);

void BM_DoubleLibrarySineCosine(benchmark::State& state) {
  double x = 0.5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::sin(x) + std::cos(x));
    x = nextArgument(x);
  }
}
BENCHMARK(BM_DoubleLibrarySineCosine);

}  // namespace

BENCHMARK_MAIN();
