// Fuzz target over the geometry library's whole C interface. An input is a run of calls: one
// byte picks the function, then its arguments are read from the bytes by their types. Numbers
// come tagged, so that NaN, infinities, huge, tiny and negative values are one byte away, and
// records may be made by the library's own makers so that deep paths see consistent elements.
//
// Layout of the bytes (missing bytes read as 0, which is the number 0.0):
//   call    = selector byte (function index modulo the table size), arguments
//   number  = tag < 32: kSpecial[tag] | tag < 0xC0: int16 (2 bytes) * 10^(tag % 13 - 6)
//           | otherwise 8 raw bytes of a double
//   record  = shape byte: 0-2 raw (kind byte % 5, 14 numbers), 3 straight, 4 arc, 5 clothoid by
//             end points, 6 clothoid by start angle, 7 arc by start angle (made by the library),
//             8 a record written by an earlier call
//   records = count byte (1 + count % 5 records, the rest of the 16 zeroed), then each record
// Set KESTREL_FUZZ_TRACE=1 to print the calls of an input.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>
#include <type_traits>

#include "kestrel/geometry.h"

namespace {

using Limits = std::numeric_limits<double>;
// clang-format off
constexpr double kSpecial[32] = {
    0.0, -0.0, 1.0, -1.0, 0.5, 2.0, 1e-5, -1e-5, 1e-7, 1.389e-6,
    3.141592653589793, 6.283185307179586, 1.5707963267948966, 0.56, 100.0, -100.0,
    1e9, 2e9, 1e15, 1e300, -1e300, Limits::max(), Limits::lowest(), Limits::min(),
    Limits::denorm_min(), -Limits::denorm_min(), Limits::infinity(), -Limits::infinity(),
    Limits::quiet_NaN(), -Limits::quiet_NaN(), 9007199254740992.0, 1e-300};
// clang-format on

// Every array argument gets room for this many items; counts read as int16 stay below it.
constexpr int kRoom = 16;

class Call {
 public:
  Call(const uint8_t* data, size_t size, Calelm (&kept)[4])
      : data_(data), size_(size), kept_(kept) {}

  size_t consumed() const { return position_; }
  uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }

  double number() {
    const uint8_t tag = byte();
    if (tag < 32) return kSpecial[tag];
    if (tag < 0xC0) {
      const uint8_t low = byte();
      const uint8_t high = byte();
      return static_cast<int16_t>(low | high << 8) * std::pow(10.0, tag % 13 - 6);
    }
    uint8_t raw[8] = {};
    for (uint8_t& b : raw) b = byte();
    double value = 0.0;
    std::memcpy(&value, raw, sizeof value);
    return value;
  }

  // Modes, selectors and flags, and counts that stay within the arrays handed out.
  int16_t smallInteger() { return static_cast<int16_t>(byte() % 16 - 4); }

  double sign() {
    const uint8_t pick = byte() % 4;
    return pick == 0 ? 1.0 : pick == 1 ? -1.0 : pick == 2 ? 0.5 : number();
  }

  Calelm record() {
    Calelm r;
    std::memset(&r, 0, sizeof r);
    const uint8_t shape = byte() % 9;
    if (shape < 3) {
      r.kind = static_cast<int16_t>(byte() % 5);
      double fields[14];
      for (double& field : fields) field = number();
      std::memcpy(reinterpret_cast<unsigned char*>(&r) + 8, fields, sizeof fields);
      return r;
    }
    if (shape == 8) return kept_[byte() % 4];
    r.startX = number();
    r.startY = number();
    if (shape == 6 || shape == 7) {
      r.startAngle = number();
    } else {
      r.endX = number();
      r.endY = number();
    }
    if (shape == 3) {
      ali_makS(&r);
      return r;
    }
    r.turnSign = sign();
    r.parameter = number();
    if (shape == 4) {
      r.kind = CALELM_ARC;
      ali_makR(&r);
    } else if (shape == 7) {
      r.kind = CALELM_ARC;
      r.length = number();
      ali_mak(&r, 1);
    } else {
      r.kind = CALELM_CLOTHOID;
      r.startRadius = number();
      r.endRadius = number();
      if (shape == 5) {
        ali_makA(&r);
      } else {
        ali_makangA(&r, 1);
      }
    }
    return r;
  }

  template <typename T>
  T make() {
    if constexpr (std::is_same_v<T, double>) {
      return number();
    } else if constexpr (std::is_same_v<T, int16_t>) {
      return smallInteger();
    } else if constexpr (std::is_same_v<T, Calelm>) {
      return record();
    } else if constexpr (std::is_same_v<T, Calelm*> || std::is_same_v<T, const Calelm*>) {
      Calelm* block = records_[recordBlocks_++ % 8];
      std::memset(block, 0, sizeof(Calelm) * kRoom);
      const int count = 1 + byte() % 5;
      for (int i = 0; i < count; ++i) block[i] = record();
      return block;
    } else if constexpr (std::is_same_v<T, double*>) {
      double* slot = outputs_[outputSlots_++ % 16];
      std::memset(slot, 0, sizeof outputs_[0]);
      slot[0] = number();  // in/out arguments read it
      return slot;
    } else if constexpr (std::is_same_v<T, const double*>) {
      double* values = arrays_[arraySlots_++ % 2];
      std::memset(values, 0, sizeof arrays_[0]);
      const int count = byte() % (kRoom * 7);
      for (int i = 0; i < count; ++i) values[i] = number();
      return values;
    } else if constexpr (std::is_same_v<T, int16_t*>) {
      std::memset(indices_, 0, sizeof indices_);
      return indices_;
    } else if constexpr (std::is_same_v<T, StdLine*>) {
      line_ = StdLine{};
      return &line_;
    } else if constexpr (std::is_same_v<T, IpRecord*>) {
      std::memset(&ip_, 0, sizeof ip_);
      ip_.x = number();
      ip_.y = number();
      const uint8_t type = byte();
      ip_.curveType = type % 3 == 0   ? IPREC_ARARA_START_TANGENT_GIVEN
                      : type % 3 == 1 ? IPREC_ARARA_END_TANGENT_GIVEN
                                      : type;
      for (double& parameter : ip_.parameters) parameter = number();
      ip_.startTangent = number();
      ip_.endTangent = number();
      return &ip_;
    } else if constexpr (std::is_same_v<T, void*>) {
      // Monitoring table: int16 count, then entries of five doubles (X, Y in fields 2 and 3).
      std::memset(table_, 0, sizeof table_);
      const int16_t count = smallInteger();
      std::memcpy(table_, &count, sizeof count);
      for (int i = 0; i < count; ++i) {
        const double point[2] = {number(), number()};
        std::memcpy(table_ + 8 + i * 40 + 8, point, sizeof point);
      }
      return table_;
    } else {
      static_assert(std::is_void_v<T> && !std::is_void_v<T>, "no generator for this argument");
    }
  }

  // The first record of each argument block, for later calls of the same input.
  void keepRecords() {
    for (int i = 0; i < 4 && i < recordBlocks_; ++i) kept_[i] = records_[i][0];
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  Calelm (&kept_)[4];
  Calelm records_[8][kRoom];
  int recordBlocks_ = 0;
  double outputs_[16][8];
  int outputSlots_ = 0;
  double arrays_[2][kRoom * 7];
  int arraySlots_ = 0;
  int16_t indices_[kRoom];
  StdLine line_;
  IpRecord ip_;
  alignas(8) unsigned char table_[8 + kRoom * 40];
};

template <typename Result, typename... Arguments>
void invoke(Result (*function)(Arguments...), Call& call) {
  // A braced list evaluates left to right, so the bytes are read in argument order.
  std::tuple<Arguments...> arguments{call.make<Arguments>()...};
  std::apply(function, arguments);
}

// Every exported function, in a fixed order: corpus files name functions by their index, so new
// functions go at the end.
// clang-format off
#define KESTREL_GEOMETRY_EXPORTS(X)                                                                \
  X(CDlinstd) X(CDlineang) X(CDbtwang) X(CDlincros) X(CDsegcros) X(CDpoiinseg) X(CDpoionls)        \
  X(CDpldist) X(CDpojpoi) X(CDmove) X(CDmoveP) X(CDrotpoi) X(CDmirAng) X(CDmirA) X(CDmoveA)        \
  X(CDturnA) X(CDturnAe) X(CDrot) X(CDreverA) X(CDchgSpace) X(CDAcalxy) X(CDRcalxy) X(CDLcalxy)    \
  X(CDRlen) X(CDRang) X(CDLang) X(CDAngR) X(AelmAtri) X(CDcharLmA) X(CDchkAR) X(CDvalidArc)        \
  X(ali_KEnPntc) X(ali_KEnPntb) X(ali_KEnCen) X(ali_KEnAng) X(ali_KEnPncl) X(ali_KCalCst)          \
  X(ali_KGetAng) X(ali_KGetPnt) X(ali_KMovPnt) X(ali_KRotPnt) X(ali_KAdjAng) X(ali_CDist2P)        \
  X(ali_CSamePoint) X(gc_samePoint) X(chk_CSameAng) X(ali_CAroundNum) X(ali_CAroundAng)            \
  X(ali_CExCoord) X(ali_CExAng) X(initCalelm) X(ali_getlS) X(ali_getlR) X(ali_getlA) X(ali_getl)   \
  X(ali_getlPP) X(ali_makS) X(ali_mak) X(ali_makR) X(ali_makA) X(ali_makangS) X(ali_makangR)       \
  X(ali_makangA) X(ali_IPsetR) X(ali_IPsetAA) X(ali_IPsetARA) X(ali_IPsetARARA) X(ali_RmakSS)      \
  X(ali_SmakRR) X(ali_RmakSR) X(ali_RmakRR) X(ali_AAmakSS) X(ali_ARAmakSS) X(ali_SAmakRR)          \
  X(ali_ASAmakRR) X(ali_ARmakRR) X(ali_ARAmakRR) X(ali_RAmakSR) X(ali_makSAR) X(ali_makRAR)        \
  X(ali_makRAAR) X(ali_mak3R4A) X(ali_ARAAmakSR) X(ARmakRR) X(CDOODistForRAR) X(CDsetAToRAR)       \
  X(ali_maksR_P) X(ali_makrR_P) X(ali_makrS_P) X(ali_maksAR_P) X(ali_makrAR_P) X(ali_makrAS_P)     \
  X(ali_makrAAR_P) X(ali_makrR_P_S) X(setAOR_P) X(ali_makAOR_P) X(alimake_rfArf)                   \
  X(alimake_rfAArf) X(alimake_rfAsf) X(ali_onlS) X(ali_onlR) X(ali_onlA) X(ali_onl) X(ali_projS)   \
  X(ali_projR) X(ali_projA) X(ali_proj) X(ali_oflS) X(ali_oflR) X(ali_oflA) X(ali_SmakS)           \
  X(ali_SmakR) X(ali_SmakA) X(ali_Smak) X(ali_pmovS) X(ali_pmovR) X(ali_pmovA) X(ali_pmov)         \
  X(ali_tmovS) X(ali_tmovR) X(ali_tmovA) X(ali_tmov) X(many_ali_pmov) X(many_ali_tmov)             \
  X(ali_paraS) X(para_pmovr) X(ali_intpSS) X(ali_intpSR) X(ali_intpSA) X(ali_intpRR)               \
  X(ali_intpRA) X(ali_intpAA) X(ali_intp) X(gc_intpSS) X(gc_poionl) X(chk_on_tangent)              \
  X(chk_tangent) X(get_moniDist) X(Calc_moni) X(cplnrm) X(moveR_dl0_rfAsf) X(moveR_dl0_rfArf)      \
  X(moveR_dl0_rfAArf) X(CDgetOrgA) X(CDAinAbs) X(CDPinAbs) X(CDP2Cal) X(CDSinAbs) X(CDRinAbs)      \
  X(CDAcrosS) X(chk_ang) X(CDsameA)
// clang-format on

#define KESTREL_INVOKER(name) +[](Call& call) { invoke(&name, call); },
#define KESTREL_NAME(name) #name,
constexpr void (*kFunctions[])(Call&) = {KESTREL_GEOMETRY_EXPORTS(KESTREL_INVOKER)};
constexpr const char* kNames[] = {KESTREL_GEOMETRY_EXPORTS(KESTREL_NAME)};
constexpr size_t kFunctionCount = sizeof kFunctions / sizeof kFunctions[0];

// A run is capped so that one input stays quick however long it is.
constexpr int kMaxCalls = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool trace = std::getenv("KESTREL_FUZZ_TRACE") != nullptr;
  Calelm kept[4];
  std::memset(kept, 0, sizeof kept);
  size_t position = 0;
  for (int calls = 0; calls < kMaxCalls && position < size; ++calls) {
    const size_t index = data[position] % kFunctionCount;
    Call call(data + position + 1, size - position - 1, kept);
    if (trace) std::fprintf(stderr, "call %d: %s\n", calls, kNames[index]);
    kFunctions[index](call);
    call.keepRecords();
    position += 1 + call.consumed();
  }
  return 0;
}
