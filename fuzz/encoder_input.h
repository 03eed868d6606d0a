// How the encoder fuzz targets read their input: a few bytes that set up
// the conditions of the run, then the data of the file to encode.

#ifndef VELLARO_FUZZ_ENCODER_INPUT_H_
#define VELLARO_FUZZ_ENCODER_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/buffered_writer.h"
#include "runtime/mem_env.h"

namespace vellaro {

// The conditions of one run, from the first four bytes of the input.
struct EncoderInput {
  // Each read of the file delivers at most this many bytes (0: no limit).
  std::size_t read_limit = 0;
  // Bytes already in the output buffer before the encoder starts; near the
  // buffer's capacity when the high bit of the selector is set, so that
  // lines straddle the moment the buffer is handed to the file.
  std::size_t prefix = 0;
  // Reads fail once this many bytes have been read (none when absent).
  bool fail_reads = false;
  std::size_t fail_after = 0;
  // The file cannot be opened at all.
  bool unopenable = false;
  // The file's bytes.
  std::string data;

  static EncoderInput Parse(std::string_view input) {
    EncoderInput run;
    if (input.size() < 4) {
      run.data = std::string(input);
      return run;
    }
    const auto byte = [&](std::size_t i) {
      return static_cast<std::uint8_t>(input[i]);
    };
    run.data = std::string(input.substr(4));
    run.unopenable = byte(0) == 0xFF;
    run.read_limit = byte(0) == 0 ? 0 : byte(0);
    const std::size_t selector = std::size_t{byte(1)} | (byte(2) & 0x7F) << 8;
    run.prefix = (byte(2) & 0x80) != 0
                     ? BufferedWriter::kCapacity - selector % 512
                     : selector % 512;
    run.fail_reads = byte(3) != 0;
    run.fail_after =
        run.data.empty() ? 0 : byte(3) * 37 % (run.data.size() + 1);
    return run;
  }

  // Puts the file at `path` in `env` under these conditions; returns the
  // bytes a reader gets before the end or the failure.
  std::string PutFile(MemEnv& env, std::string_view path) const {
    env.PutFile(path, data);
    if (read_limit > 0) env.LimitReadSize(path, read_limit);
    if (unopenable) env.HoldForWriting(path);
    if (!fail_reads) return data;
    env.FailReadsAfter(path, fail_after);
    return data.substr(0, fail_after);
  }
};

}  // namespace vellaro

#endif  // VELLARO_FUZZ_ENCODER_INPUT_H_
