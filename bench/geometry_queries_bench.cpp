// Cost of the element queries over a 20-element alignment (five straight-clothoid-arc-clothoid
// groups): ns per call of ali_onlA, ali_projA, ali_intpSA, ali_intpAA and get_moniDist.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "bench/counting_allocator.h"
#include "kestrel/geometry.h"

using kestrel::bench::allocationCount;

namespace {

// Allocations per iteration over the timed loop.
class AllocationCounter {
 public:
  explicit AllocationCounter(benchmark::State& state) : state_(state), start_(allocationCount) {}
  ~AllocationCounter() {
    state_.counters["allocs_per_call"] = benchmark::Counter(
        static_cast<double>(allocationCount - start_), benchmark::Counter::kAvgIterations);
  }

 private:
  benchmark::State& state_;
  unsigned long long start_;
};

constexpr double kPi = 3.141592653589793;

struct Pose {
  double x, y, azimuth;
};

double wrap(double angle) {
  angle = std::fmod(angle, 2.0 * kPi);
  return angle < 0.0 ? angle + 2.0 * kPi : angle;
}

Calelm blank() {
  Calelm record;
  std::memset(&record, 0, sizeof record);
  return record;
}

// A point moved by d toward azimuth a (X north, Y east).
void advance(double* x, double* y, double d, double azimuth) {
  *x += d * std::cos(azimuth);
  *y += d * std::sin(azimuth);
}

Calelm straight(Pose* pose, double length) {
  Calelm record = blank();
  record.kind = CALELM_STRAIGHT;
  record.startX = pose->x;
  record.startY = pose->y;
  advance(&pose->x, &pose->y, length, pose->azimuth);
  record.endX = pose->x;
  record.endY = pose->y;
  ali_makS(&record);
  return record;
}

// Clothoid from the straight (radius infinite) to radius R, or back when leaving is set.
Calelm clothoid(Pose* pose, double A, double R, double sign, bool leaving) {
  Calelm record = blank();
  record.kind = CALELM_CLOTHOID;
  record.turnSign = sign;
  record.parameter = A;
  record.startRadius = leaving ? R : 0.0;
  record.endRadius = leaving ? 0.0 : R;
  record.length = A * A / R;
  record.startX = pose->x;
  record.startY = pose->y;
  record.startAngle = pose->azimuth;
  double x = 0.0, y = 0.0;
  CDRcalxy(A, R, &x, &y);
  double tau = A * A / (2.0 * R * R);
  if (!leaving) {
    // Own frame: x along the entering tangent, y toward the inside (left of travel for +1).
    advance(&pose->x, &pose->y, x, pose->azimuth);
    advance(&pose->x, &pose->y, y, pose->azimuth - sign * kPi / 2.0);
    pose->azimuth = wrap(pose->azimuth - sign * tau);
  } else {
    // Seen from the far end the clothoid runs backward and turns the other way.
    double main = pose->azimuth - kPi - sign * tau;
    advance(&pose->x, &pose->y, -x, main);
    advance(&pose->x, &pose->y, -y, main + sign * kPi / 2.0);
    pose->azimuth = wrap(main + kPi);
  }
  record.endX = pose->x;
  record.endY = pose->y;
  record.endAngle = pose->azimuth;
  AelmAtri(A, R, &record.extra1, &record.extra2, &record.extra3);
  return record;
}

Calelm arc(Pose* pose, double R, double sweep, double sign) {
  Calelm record = blank();
  record.kind = CALELM_ARC;
  record.turnSign = sign;
  record.parameter = R;
  record.length = R * sweep;
  record.extra3 = sweep;
  record.startX = pose->x;
  record.startY = pose->y;
  record.startAngle = pose->azimuth;
  double cx = pose->x, cy = pose->y;
  advance(&cx, &cy, R, pose->azimuth - sign * kPi / 2.0);
  double radial = std::atan2(pose->y - cy, pose->x - cx) - sign * sweep;
  pose->x = cx + R * std::cos(radial);
  pose->y = cy + R * std::sin(radial);
  pose->azimuth = wrap(pose->azimuth - sign * sweep);
  record.endX = pose->x;
  record.endY = pose->y;
  record.endAngle = pose->azimuth;
  record.extra1 = cx;
  record.extra2 = cy;
  return record;
}

std::vector<Calelm> alignment() {
  std::vector<Calelm> elements;
  Pose pose{-12000.0, 35000.0, 0.7};
  for (int group = 0; group < 5; ++group) {
    double sign = group % 2 == 0 ? 1.0 : -1.0;
    double R = 300.0 + 100.0 * group;
    double A = 0.6 * R;
    elements.push_back(straight(&pose, 150.0));
    elements.push_back(clothoid(&pose, A, R, sign, false));
    elements.push_back(arc(&pose, R, 0.4, sign));
    elements.push_back(clothoid(&pose, A, R, sign, true));
  }
  return elements;
}

std::vector<const Calelm*> clothoidsOf(const std::vector<Calelm>& elements) {
  std::vector<const Calelm*> found;
  for (const Calelm& e : elements)
    if (e.kind == CALELM_CLOTHOID) found.push_back(&e);
  return found;
}

void BM_onlA(benchmark::State& state) {
  std::vector<Calelm> elements = alignment();
  std::vector<const Calelm*> clothoids = clothoidsOf(elements);
  std::size_t k = 0;
  double x, y, angle;
  AllocationCounter counter(state);
  for (auto _ : state) {
    const Calelm* c = clothoids[k % clothoids.size()];
    double s = c->length * static_cast<double>(k % 97) / 97.0;
    benchmark::DoNotOptimize(ali_onlA(c, s, &x, &y, &angle));
    ++k;
  }
}
BENCHMARK(BM_onlA);

// Points 3 m off the clothoids at spread distances.
struct Probe {
  const Calelm* element;
  double x, y;
};

std::vector<Probe> probesBeside(const std::vector<const Calelm*>& elements, double offset) {
  std::vector<Probe> probes;
  for (const Calelm* e : elements) {
    for (int i = 1; i < 16; ++i) {
      Probe p{e, 0.0, 0.0};
      auto offsetFrom = e->kind == CALELM_STRAIGHT ? ali_oflS
                        : e->kind == CALELM_ARC    ? ali_oflR
                                                   : ali_oflA;
      offsetFrom(e, e->length * i / 16.0, kPi / 2.0, offset, &p.x, &p.y);
      probes.push_back(p);
    }
  }
  return probes;
}

void BM_projA(benchmark::State& state) {
  std::vector<Calelm> elements = alignment();
  std::vector<Probe> probes = probesBeside(clothoidsOf(elements), 3.0);
  std::size_t k = 0;
  double s, fx, fy;
  for (const Probe& p : probes) {
    if (ali_projA(p.element, p.x, p.y, &s, &fx, &fy) != 0 ||
        std::fabs(std::hypot(p.x - fx, p.y - fy) - 3.0) > 1e-3)
      state.SkipWithError("a probe was not projected 3 m from its foot");
  }
  AllocationCounter counter(state);
  for (auto _ : state) {
    const Probe& p = probes[k++ % probes.size()];
    benchmark::DoNotOptimize(ali_projA(p.element, p.x, p.y, &s, &fx, &fy));
  }
}
BENCHMARK(BM_projA);

void BM_intpSA(benchmark::State& state) {
  std::vector<Calelm> elements = alignment();
  std::vector<std::pair<Calelm, const Calelm*>> pairs;
  for (const Calelm* c : clothoidsOf(elements)) {
    for (int i = 1; i < 8; ++i) {
      Calelm cross = blank();
      ali_SmakA(c, c->length * i / 8.0, kPi / 3.0, 20.0, &cross);
      pairs.emplace_back(cross, c);
    }
  }
  std::size_t k = 0;
  double p[8];
  for (const auto& pair : pairs) {
    if (ali_intpSA(&pair.first, pair.second, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6],
                   &p[7]) != 1)
      state.SkipWithError("a cross line did not meet its clothoid once");
  }
  AllocationCounter counter(state);
  for (auto _ : state) {
    const auto& pair = pairs[k++ % pairs.size()];
    benchmark::DoNotOptimize(ali_intpSA(&pair.first, pair.second, &p[0], &p[1], &p[2], &p[3], &p[4],
                                        &p[5], &p[6], &p[7]));
  }
}
BENCHMARK(BM_intpSA);

void BM_intpAA(benchmark::State& state) {
  std::vector<Calelm> elements = alignment();
  std::vector<std::pair<Calelm, const Calelm*>> pairs;
  for (const Calelm* c : clothoidsOf(elements)) {
    // The same clothoid turned by 0.3 rad about its middle crosses it there.
    double x, y, angle;
    ali_onlA(c, 0.5 * c->length, &x, &y, &angle);
    Calelm turned = blank();
    ali_tmovA(c, x, y, 0.3, &turned);
    pairs.emplace_back(turned, c);
  }
  std::size_t k = 0;
  double p[8];
  for (const auto& pair : pairs) {
    if (ali_intpAA(pair.second, &pair.first, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6],
                   &p[7]) < 1)
      state.SkipWithError("a turned clothoid did not meet its original");
  }
  AllocationCounter counter(state);
  for (auto _ : state) {
    const auto& pair = pairs[k++ % pairs.size()];
    benchmark::DoNotOptimize(ali_intpAA(pair.second, &pair.first, &p[0], &p[1], &p[2], &p[3], &p[4],
                                        &p[5], &p[6], &p[7]));
  }
}
BENCHMARK(BM_intpAA);

void BM_moniDist(benchmark::State& state) {
  std::vector<Calelm> elements = alignment();
  std::vector<const Calelm*> all;
  for (const Calelm& e : elements) all.push_back(&e);
  std::vector<Probe> probes = probesBeside(all, 2.5);
  std::size_t k = 0;
  double distance;
  for (const Probe& p : probes) {
    if (get_moniDist(p.x, p.y, static_cast<int16_t>(elements.size()), elements.data(), &distance) !=
            1 ||
        std::fabs(distance - 2.5) > 1e-3)
      state.SkipWithError("a probe was not found 2.5 m from the alignment");
  }
  AllocationCounter counter(state);
  for (auto _ : state) {
    const Probe& p = probes[k++ % probes.size()];
    benchmark::DoNotOptimize(
        get_moniDist(p.x, p.y, static_cast<int16_t>(elements.size()), elements.data(), &distance));
  }
}
BENCHMARK(BM_moniDist);

}  // namespace

BENCHMARK_MAIN();
