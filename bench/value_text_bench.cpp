#include <benchmark/benchmark.h>

#include "collect/variant_to_text.h"
#include "platform/scripted/scripted_service_values.h"

namespace hwident {
namespace {

void RunValueText(benchmark::State& state, Variant value) {
  for (auto _ : state) benchmark::DoNotOptimize(VariantToText(value));
  HeapClearValue(&value);
}

void BM_ValueTextI4(benchmark::State& state) {
  RunValueText(state, MakeI4Value(-1));
}
void BM_ValueTextI2(benchmark::State& state) {
  RunValueText(state, MakeI2Value(-2));
}
void BM_ValueTextUi1(benchmark::State& state) {
  RunValueText(state, MakeUi1Value(65));
}
void BM_ValueTextBool(benchmark::State& state) {
  RunValueText(state, MakeBoolValue(true));
}
void BM_ValueTextR8Small(benchmark::State& state) {
  RunValueText(state, MakeR8Value(1.5));
}
void BM_ValueTextR8Fraction(benchmark::State& state) {
  RunValueText(state, MakeR8Value(0.1));
}
// The widest expansions: hundreds of digits before the point or after it.
void BM_ValueTextR8Huge(benchmark::State& state) {
  RunValueText(state, MakeR8Value(1e300));
}
void BM_ValueTextR8Tiny(benchmark::State& state) {
  RunValueText(state, MakeR8Value(5e-324));
}
void BM_ValueTextString(benchmark::State& state) {
  RunValueText(state, MakeStringValue(u"IDE\\CDROMACME_DRIVE-1_____2.0____\\5&1A2B3C&0&1.0.0"));
}
void BM_ValueTextConversionError(benchmark::State& state) {
  RunValueText(state, MakeTaggedValue(vt::kDate));
}

BENCHMARK(BM_ValueTextI4);
BENCHMARK(BM_ValueTextI2);
BENCHMARK(BM_ValueTextUi1);
BENCHMARK(BM_ValueTextBool);
BENCHMARK(BM_ValueTextR8Small);
BENCHMARK(BM_ValueTextR8Fraction);
BENCHMARK(BM_ValueTextR8Huge);
BENCHMARK(BM_ValueTextR8Tiny);
BENCHMARK(BM_ValueTextString);
BENCHMARK(BM_ValueTextConversionError);

}  // namespace
}  // namespace hwident
