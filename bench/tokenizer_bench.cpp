#include <benchmark/benchmark.h>

#include <string>

#include "text/tokenizer.h"

namespace hwident {
namespace {

// A command line of many class;property entries, the longest text the
// program splits.
std::string LongCommandLine(int entries) {
  std::string line;
  for (int entry = 0; entry < entries; ++entry) {
    line += "  Win32_CDROMDrive;DeviceID,Caption,Manufacturer ";
  }
  return line;
}

void BM_TokenizerCommandLine(benchmark::State& state) {
  const std::string line = LongCommandLine(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CTokenizer tokenizer(line, " ");
    NarrowText token;
    int count = 0;
    while (tokenizer.NextToken(token)) ++count;
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_TokenizerCommandLine)->Arg(10)->Arg(1000);

}  // namespace
}  // namespace hwident
