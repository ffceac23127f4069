// Cost per call of the clothoid series and the plane primitives that the solvers call in their
// inner loops, and proof that none of them touches the heap: a counting operator new counts
// every allocation made inside the measured loops.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "bench/counting_allocator.h"
#include "kestrel/geometry.h"

namespace {

using kestrel::bench::allocationCount;
unsigned long long allocationsInLoops = 0;

// Runs the loop body and adds the allocations it made to the bench's counter and the total.
template <typename Body>
void measure(benchmark::State& state, Body body) {
  const unsigned long long before = allocationCount.load();
  for (auto _ : state) body();
  const unsigned long long made = allocationCount.load() - before;
  allocationsInLoops += made;
  state.counters["heap_allocations"] = static_cast<double>(made);
}

const double kTangentAngles[] = {1e-5, 0.01, 0.1, 0.5, 1.0, 1.59};

void BM_CDAcalxy(benchmark::State& state) {
  double A = 100.0;
  double tau = kTangentAngles[state.range(0)];
  char label[32];
  std::snprintf(label, sizeof label, "tau=%g", tau);
  state.SetLabel(label);
  measure(state, [&] {
    double x, y;
    benchmark::DoNotOptimize(A);
    benchmark::DoNotOptimize(tau);
    CDAcalxy(A, tau, &x, &y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  });
}
BENCHMARK(BM_CDAcalxy)->DenseRange(0, 5);

void BM_CDAcalxyLargeParameter(benchmark::State& state) {
  double A = 5000.0;
  double tau = 1.59;
  measure(state, [&] {
    double x, y;
    benchmark::DoNotOptimize(A);
    benchmark::DoNotOptimize(tau);
    CDAcalxy(A, tau, &x, &y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  });
}
BENCHMARK(BM_CDAcalxyLargeParameter);

void BM_CDRcalxy(benchmark::State& state) {
  double A = 100.0, R = 100.0;
  measure(state, [&] {
    double x, y;
    benchmark::DoNotOptimize(R);
    CDRcalxy(A, R, &x, &y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  });
}
BENCHMARK(BM_CDRcalxy);

void BM_AelmAtri(benchmark::State& state) {
  double A = 100.0, R = 100.0;
  measure(state, [&] {
    double tau, shift, centerAbscissa;
    benchmark::DoNotOptimize(R);
    AelmAtri(A, R, &tau, &shift, &centerAbscissa);
    benchmark::DoNotOptimize(shift);
  });
}
BENCHMARK(BM_AelmAtri);

void BM_CDcharLmA(benchmark::State& state) {
  double A = 100.0, R = 100.0;
  measure(state, [&] {
    double values[7];
    benchmark::DoNotOptimize(R);
    CDcharLmA(A, R, values);
    benchmark::DoNotOptimize(values);
  });
}
BENCHMARK(BM_CDcharLmA);

void BM_CDlincros(benchmark::State& state) {
  double xa = 1.0, ya = 2.0, uxa = 0.6, uya = 0.8, xb = 10.0, yb = -3.0, uxb = -0.8, uyb = 0.6;
  measure(state, [&] {
    double x, y;
    benchmark::DoNotOptimize(xa);
    CDlincros(xa, ya, uxa, uya, xb, yb, uxb, uyb, &x, &y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  });
}
BENCHMARK(BM_CDlincros);

void BM_CDsegcros(benchmark::State& state) {
  double x1 = 0.0, y1 = 0.0, x2 = 10.0, y2 = 1.0, x3 = 5.0, y3 = -5.0, x4 = 4.0, y4 = 5.0;
  measure(state, [&] {
    double x, y;
    benchmark::DoNotOptimize(x1);
    benchmark::DoNotOptimize(CDsegcros(x1, y1, x2, y2, x3, y3, x4, y4, &x, &y));
    benchmark::DoNotOptimize(x);
  });
}
BENCHMARK(BM_CDsegcros);

void BM_CDpojpoi(benchmark::State& state) {
  double x0 = 1.0, y0 = 2.0, ux = 0.6, uy = 0.8, px = 7.0, py = -3.0;
  measure(state, [&] {
    double fx, fy;
    benchmark::DoNotOptimize(px);
    CDpojpoi(x0, y0, ux, uy, px, py, &fx, &fy);
    benchmark::DoNotOptimize(fx);
    benchmark::DoNotOptimize(fy);
  });
}
BENCHMARK(BM_CDpojpoi);

void BM_ali_KEnCen(benchmark::State& state) {
  double x1 = 0.0, y1 = 0.0, x2 = 40.0, y2 = 25.0, sign = 1.0, R = 100.0;
  measure(state, [&] {
    double cx, cy;
    benchmark::DoNotOptimize(x2);
    ali_KEnCen(x1, y1, x2, y2, sign, R, &cx, &cy);
    benchmark::DoNotOptimize(cx);
    benchmark::DoNotOptimize(cy);
  });
}
BENCHMARK(BM_ali_KEnCen);

void BM_ali_getlR(benchmark::State& state) {
  Calelm arc;
  initCalelm(&arc);
  arc.kind = 2;
  arc.turnSign = -1.0;
  arc.parameter = 150.0;
  arc.endX = 60.0;
  arc.endY = 35.0;
  measure(state, [&] {
    double length;
    benchmark::DoNotOptimize(arc);
    ali_getlR(&arc, &length);
    benchmark::DoNotOptimize(length);
  });
}
BENCHMARK(BM_ali_getlR);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("heap allocations inside the measured loops: %llu\n", allocationsInLoops);
  return allocationsInLoops == 0 ? 0 : 1;
}
