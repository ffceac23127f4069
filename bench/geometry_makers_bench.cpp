// Time per call of the element makers, IP setters and chain makers, and heap allocations per call
// (counted by replacing the global allocation functions; every figure must read 0).
//   geometry_makers_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "kestrel/geometry.h"

namespace {
std::atomic<long> allocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Runs `call` per iteration and reports the heap allocations it made per call.
template <typename Call>
void measure(benchmark::State& state, Call call) {
  const long before = allocationCount.load();
  for (auto _ : state) benchmark::DoNotOptimize(call());
  state.counters["allocations_per_call"] =
      static_cast<double>(allocationCount.load() - before) / static_cast<double>(state.iterations());
}

Calelm entryClothoid() {
  // A = 100 from the straight to R = 200 (length 50), end point from ali_makangA.
  Calelm e{};
  e.kind = CALELM_CLOTHOID;
  e.startX = 1000;
  e.startY = 2000;
  e.startAngle = 0.7;
  e.turnSign = -1;
  e.parameter = 100;
  e.endRadius = 200;
  ali_makangA(&e, 1);
  return e;
}

struct Polygon {
  double x0, y0;
  IpRecord ip;
  double x2, y2;
};

Polygon polygon(double p0, double p1, double p2) {
  Polygon p{};
  p.x0 = 0;
  p.y0 = 0;
  p.ip.x = 800;
  p.ip.y = 100;
  p.x2 = 1100;
  p.y2 = 900;
  p.ip.parameters[0] = p0;
  p.ip.parameters[1] = p1;
  p.ip.parameters[2] = p2;
  return p;
}

void MakA(benchmark::State& state) {
  const Calelm given = entryClothoid();
  measure(state, [&] {
    Calelm e = given;
    return ali_makA(&e);
  });
}
BENCHMARK(MakA);

void MakangA(benchmark::State& state) {
  const Calelm given = entryClothoid();
  measure(state, [&] {
    Calelm e = given;
    return ali_makangA(&e, 1);
  });
}
BENCHMARK(MakangA);

void IPsetR(benchmark::State& state) {
  Polygon p = polygon(300, 0, 0);
  measure(state, [&] {
    Calelm arc;
    return ali_IPsetR(p.x0, p.y0, &p.ip, p.x2, p.y2, &arc);
  });
}
BENCHMARK(IPsetR);

void IPsetARA(benchmark::State& state) {
  Polygon p = polygon(150, 300, 180);
  measure(state, [&] {
    Calelm chain[3];
    return ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0], &chain[1], &chain[2]);
  });
}
BENCHMARK(IPsetARA);

void RmakSS(benchmark::State& state) {
  Calelm first{}, second{};
  first.kind = second.kind = CALELM_STRAIGHT;
  first.endX = 800;
  first.endY = 100;
  second.startX = 800;
  second.startY = 100;
  second.endX = 1100;
  second.endY = 900;
  ali_makS(&first);
  ali_makS(&second);
  measure(state, [&] {
    Calelm a = first, b = second, arc{};
    arc.parameter = 300;
    return ali_RmakSS(&a, &b, &arc);
  });
}
BENCHMARK(RmakSS);

}  // namespace

BENCHMARK_MAIN();
