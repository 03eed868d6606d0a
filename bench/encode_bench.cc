// Throughput of the base64 encoder and the RTF hex writer, reading a real
// file and writing through the real buffered writer into a real file.
//
// The files live in the current directory (vellaro_bench_*.bin) and are
// removed at the end. Figures are input bytes per second.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "encode/base64.h"
#include "encode/rtf_writer.h"
#include "runtime/buffered_writer.h"
#include "runtime/env.h"
#include "runtime/line_writer.h"

namespace vellaro {
namespace {

constexpr char kOutput[] = "vellaro_bench_out.bin";

Env* BenchEnv() {
  static Env* env = NativeEnv(0, nullptr);
  return env;
}

// The path of an input file of `size` random bytes, written once.
std::string InputFile(std::int64_t size) {
  std::string path = "vellaro_bench_in_" + std::to_string(size) + ".bin";
  std::unique_ptr<WritableFile> file;
  if (BenchEnv()->CreateForWriting(path, &file) != kOk) return path;
  BufferedWriter out(std::move(file));
  std::mt19937_64 rng(size);
  std::string block(BufferedWriter::kCapacity, '\0');
  for (std::int64_t left = size; left > 0;) {
    for (char& c : block) c = static_cast<char>(rng());
    const auto n = static_cast<std::size_t>(
        std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
    out.Append(std::string_view(block.data(), n));
    left -= static_cast<std::int64_t>(n);
  }
  out.Close();
  return path;
}

void BM_EncodeFileBase64(benchmark::State& state) {
  Env& env = *BenchEnv();
  const std::string input = InputFile(state.range(0));
  for (auto _ : state) {
    std::unique_ptr<WritableFile> file;
    if (env.CreateForWriting(kOutput, &file) != kOk) {
      state.SkipWithError("cannot create the output file");
      break;
    }
    LineWriter out(std::move(file));
    benchmark::DoNotOptimize(EncodeFileBase64(env, input, out));
    out.Close();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  env.DeleteFile(input);
  env.DeleteFile(kOutput);
}

void BM_WriteMetafileHex(benchmark::State& state) {
  Env& env = *BenchEnv();
  const std::string input = InputFile(state.range(0));
  for (auto _ : state) {
    std::unique_ptr<WritableFile> file;
    if (env.CreateForWriting(kOutput, &file) != kOk) {
      state.SkipWithError("cannot create the output file");
      break;
    }
    BufferedWriter out(std::move(file));
    benchmark::DoNotOptimize(WriteMetafileHex(env, input, out));
    out.Close();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  env.DeleteFile(input);
  env.DeleteFile(kOutput);
}

BENCHMARK(BM_EncodeFileBase64)
    ->Arg(1 << 20)
    ->Arg(64 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteMetafileHex)
    ->Arg(1 << 20)
    ->Arg(64 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace vellaro

BENCHMARK_MAIN();
