// Throughput of the base64 encoder and the RTF hex writer, reading a real
// file and writing through the real buffered writers into a real file.
//
// The files live in a temporary folder made in the current directory (run
// the benchmark from a folder on the disk to be measured), removed at the
// end. Each iteration writes a new output file; deleting the one before is
// not timed. Figures are input bytes per second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
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

Env* BenchEnv() {
  static Env* env = NativeEnv(0, nullptr);
  return env;
}

// The folder of the benchmark's files, made on first use.
const std::string& BenchFolder() {
  static const std::string folder = [] {
    std::random_device random;
    std::string name;
    do {
      name = "vellaro_bench_" + std::to_string(random() % 1000000);
    } while (BenchEnv()->CreateFolder(name) != kOk &&
             std::filesystem::exists(name));
    return name + "/";
  }();
  return folder;
}

std::string OutputPath() { return BenchFolder() + "out.bin"; }

// The path of an input file of `size` random bytes, written once.
std::string InputFile(std::int64_t size) {
  const std::string path = BenchFolder() + "in_" + std::to_string(size);
  if (std::filesystem::exists(path)) return path;
  std::unique_ptr<WritableFile> file;
  if (BenchEnv()->CreateForWriting(path, &file) != kOk) return path;
  BufferedWriter out(std::move(file));
  std::mt19937_64 rng(static_cast<std::uint64_t>(size));
  std::string block(1 << 20, '\0');
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

// Runs `encode(env, input, output file)` once per iteration, each time into
// a new output file.
template <typename Writer, typename Encode>
void RunEncoder(benchmark::State& state, Encode encode) {
  Env& env = *BenchEnv();
  const std::string input = InputFile(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    env.DeleteFile(OutputPath());
    state.ResumeTiming();
    std::unique_ptr<WritableFile> file;
    if (env.CreateForWriting(OutputPath(), &file) != kOk) {
      state.SkipWithError("cannot create the output file");
      break;
    }
    Writer out(std::move(file));
    if (encode(env, input, out) != 0) {
      state.SkipWithError("cannot read the input file");
      break;
    }
    if (out.Close() != kOk) {
      state.SkipWithError("cannot write the output file");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_EncodeFileBase64(benchmark::State& state) {
  RunEncoder<LineWriter>(
      state, [](Env& env, const std::string& input, LineWriter& out) {
        return EncodeFileBase64(env, input, out);
      });
}

void BM_WriteMetafileHex(benchmark::State& state) {
  RunEncoder<BufferedWriter>(
      state, [](Env& env, const std::string& input, BufferedWriter& out) {
        return WriteMetafileHex(env, input, out);
      });
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

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(vellaro::BenchFolder(), ignored);
  return 0;
}
