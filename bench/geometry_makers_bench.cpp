// Time per call of the element makers, IP setters and chain makers, and heap allocations per call
// (counted by replacing the global allocation functions; every figure must read 0).
//   geometry_makers_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "bench/counting_allocator.h"
#include "kestrel/geometry.h"

using kestrel::bench::allocationCount;

namespace {

// Runs `call` per iteration and reports the heap allocations it made per call.
template <typename Call>
void measure(benchmark::State& state, Call call) {
  // A failing call would time the early exit, not the work.
  if (call() != 0) {
    state.SkipWithError("the call did not succeed");
    return;
  }
  const unsigned long long before = allocationCount.load();
  for (auto _ : state) benchmark::DoNotOptimize(call());
  state.counters["allocations_per_call"] = static_cast<double>(allocationCount.load() - before) /
                                           static_cast<double>(state.iterations());
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

Polygon polygon(double p0, double p1, double p2, double p3 = 0, double p4 = 0) {
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
  p.ip.parameters[3] = p3;
  p.ip.parameters[4] = p4;
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

// Arcs and straights cut from a known chain: straight, clothoid A = 150 into R = 300 (left), then
// an egg clothoid A = 120 from R = 300 to R = 180.
struct KnownChain {
  Calelm straight, entry, first, second;
};

KnownChain knownChain() {
  KnownChain k{};
  k.straight.kind = CALELM_STRAIGHT;
  k.straight.endX = 500;
  ali_makS(&k.straight);
  k.entry.kind = CALELM_CLOTHOID;
  k.entry.startX = 480;  // 20 m before the straight's end: the maker must cut it
  k.entry.turnSign = 1;
  k.entry.parameter = 150;
  k.entry.endRadius = 300;
  ali_makangA(&k.entry, 1);
  k.first.kind = CALELM_ARC;
  k.first.startX = k.entry.endX;
  k.first.startY = k.entry.endY;
  k.first.startAngle = k.entry.endAngle;
  k.first.turnSign = 1;
  k.first.parameter = 300;
  k.first.length = 120;
  ali_mak(&k.first, 1);
  Calelm egg{};
  egg.kind = CALELM_CLOTHOID;
  egg.startX = k.first.endX;
  egg.startY = k.first.endY;
  egg.startAngle = k.first.endAngle;
  egg.turnSign = 1;
  egg.parameter = 120;
  egg.startRadius = 300;
  egg.endRadius = 180;
  ali_makangA(&egg, 1);
  k.second.kind = CALELM_ARC;
  k.second.startX = egg.endX;
  k.second.startY = egg.endY;
  k.second.startAngle = egg.endAngle;
  k.second.turnSign = 1;
  k.second.parameter = 180;
  k.second.length = 100;
  ali_mak(&k.second, 1);
  return k;
}

void MakSAR(benchmark::State& state) {
  const KnownChain k = knownChain();
  measure(state, [&] {
    Calelm line = k.straight, arc = k.first, clothoid{};
    return ali_makSAR(&line, &arc, &clothoid);
  });
}
BENCHMARK(MakSAR);

void MakRAR(benchmark::State& state) {
  const KnownChain k = knownChain();
  measure(state, [&] {
    Calelm first = k.first, second = k.second, clothoid{};
    return ali_makRAR(&first, &second, &clothoid);
  });
}
BENCHMARK(MakRAR);

void SmakRR(benchmark::State& state) {
  const KnownChain k = knownChain();
  // A right-turning arc 300 m down the tangent from the end of the first arc.
  Calelm second{};
  second.kind = CALELM_ARC;
  second.startX = k.first.endX + 300 * std::cos(k.first.endAngle);
  second.startY = k.first.endY + 300 * std::sin(k.first.endAngle);
  second.startAngle = k.first.endAngle;
  second.turnSign = -1;
  second.parameter = 250;
  second.length = 90;
  ali_mak(&second, 1);
  measure(state, [&] {
    Calelm first = k.first, last = second, straight{};
    return ali_SmakRR(&first, &last, &straight);
  });
}
BENCHMARK(SmakRR);

void IPsetARARA(benchmark::State& state) {
  Polygon p = polygon(150, 400, 150, 250, 0);
  p.ip.parameters[4] = 120;
  p.ip.curveType = IPREC_ARARA_START_TANGENT_GIVEN;
  measure(state, [&] {
    IpRecord ip = p.ip;
    ip.startTangent = 225;  // within the range that has a solution
    Calelm chain[5];
    return ali_IPsetARARA(p.x0, p.y0, &ip, p.x2, p.y2, chain);
  });
}
BENCHMARK(IPsetARARA);

}  // namespace

BENCHMARK_MAIN();
