// Fuzz target: the whole command tail, from the bytes a host passes to the
// message file, on an in-memory file system.
//
// The input is the command tail. It is cut, its instance number taken, its
// leading numbers blanked and the rest evaluated with MakeEMLFileSW bound,
// in the order the main procedure follows; a call runs the real builder
// over page files of that instance. Besides memory safety and termination
// it checks that:
//  - the call runs at most once, with 27 texts, and gives 0, 1 or 2;
//  - a result of 0 means a message that ends with its closing delimiter,
//    and PageCount 0 means no file was touched;
//  - files change only where the call names them: the message path, the
//    RTF work file and the RTF copies in the work folder and in
//    RTFCopyFolder. Nothing else is created, changed or removed.
// The input, split at its NUL bytes, is also passed as the texts of a call
// of quoted literals, which must reach the procedure exactly as they were.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "encode/paths.h"
#include "fuzz/fuzz_check.h"
#include "mail/parts.h"
#include "runtime/app_state.h"
#include "runtime/mem_env.h"
#include "runtime/text.h"
#include "shell/binding_scope.h"
#include "shell/by_name_entry.h"
#include "shell/command_tail.h"
#include "shell/number_conversion.h"

namespace vellaro {
namespace {

constexpr std::string_view kClosingLine = "\r\n------=_1_--\r\n";

std::map<std::string, std::string> Files(const MemEnv& env) {
  std::map<std::string, std::string> files;
  for (const std::string& path : env.FilePaths()) {
    files[path] = env.FileContents(path);
  }
  return files;
}

// The files a call with `texts` may write: the message, the RTF work file
// and its two copies.
std::set<std::string> Writable(const MemEnv& env, const AppState& state,
                               std::span<const std::string> texts) {
  const EmlParams params = EmlParamsFromTexts(texts);
  std::set<std::string> paths;
  const std::string_view message = FieldPath(params.eml_file_name);
  if (!message.empty()) paths.insert(env.NormalPath(message));
  paths.insert(env.NormalPath(RtfWorkFilePath(state)));
  const std::string rtf_name = std::string(Clip(params.rtf_name)) + ".RTF";
  paths.insert(env.NormalPath(std::string(Clip(state.work_folder)) + rtf_name));
  if (!IsBlank(params.rtf_copy_folder)) {
    std::string folder(Clip(params.rtf_copy_folder));
    if (!IsPathSeparator(folder.back())) folder += '\\';
    paths.insert(env.NormalPath(folder + rtf_name));
  }
  return paths;
}

// The command tail as the main procedure reads it, with the real builder.
void RunTail(std::string_view tail) {
  MemEnv env;
  env.set_current_directory("/w");
  env.PutFolder("/w/KQ");
  AppState state;
  state.work_folder = env.CurrentDirectory() + "\\KQ\\";
  const std::string command_text = CommandText(tail);
  FUZZ_CHECK(command_text.size() <= kCommandTextLength, "tail not cut");
  state.instance = InstanceNumber(command_text);

  // What a host leaves: three pages of this instance, arrows and a sound.
  for (int page = 1; page <= 3; ++page) {
    env.PutFile(PageFilePath(state, page), std::string(22 + 40 * page, 'p'));
  }
  env.PutFile("/w/up.gif", "GIF89a up");
  env.PutFile("/w/snd.wav", "RIFF");
  const auto before = Files(env);

  BindingScope scope;
  int calls = 0;
  int result = -1;
  std::vector<std::string> texts;
  scope.Bind(kMakeEMLFileSWName, kMakeEMLFileSWParameterCount,
             [&](std::span<const std::string> given) -> long long {
               ++calls;
               texts.assign(given.begin(), given.end());
               result = MakeEMLFileSW(env, state, given);
               return result;
             });
  scope.Evaluate(CallText(command_text));

  const auto after = Files(env);
  FUZZ_CHECK(calls <= 1, "call ran twice");
  if (calls == 0) {
    FUZZ_CHECK(after == before, "no call, yet files changed");
    return;
  }
  FUZZ_CHECK(texts.size() == 27, "call without 27 texts");
  FUZZ_CHECK(result >= 0 && result <= 2, "result out of range");
  const EmlParams params = EmlParamsFromTexts(texts);
  if (params.page_count == 0) {
    FUZZ_CHECK(result == 2 && after == before, "no pages, yet files changed");
  }
  if (result == 0) {
    const std::string_view path = FieldPath(params.eml_file_name);
    FUZZ_CHECK(env.FileContents(path).ends_with(kClosingLine),
               "result 0 without a whole message");
  }
  const std::set<std::string> writable = Writable(env, state, texts);
  for (const auto& [path, contents] : after) {
    auto was = before.find(path);
    if (was == before.end() || was->second != contents) {
      FUZZ_CHECK(writable.count(path) != 0, "wrote a file it was not given");
    }
  }
  for (const auto& [path, contents] : before) {
    if (after.count(path) == 0) {
      FUZZ_CHECK(writable.count(path) != 0, "removed a file not its own");
    }
  }
}

// The input split at its NUL bytes (27 pieces at most) and written as a
// call of quoted literals must pass exactly those pieces.
void RunQuotedPieces(std::string_view input) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (pieces.size() < 27) {
    const std::size_t nul = input.find('\0', start);
    pieces.emplace_back(input.substr(start, nul - start));
    if (nul == std::string_view::npos) break;
    start = nul + 1;
  }
  const bool lower = !input.empty() && (input[0] & 1) != 0;
  std::string tail = lower ? "7 makeemlfilesw ( " : "7 MakeEMLFileSW(";
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) tail += lower ? " ,\t" : ",";
    tail += '\'';
    for (char c : pieces[i]) {
      tail += c;
      if (c == '\'') tail += '\'';
    }
    tail += '\'';
  }
  tail += ")";
  if (tail.size() > kCommandTextLength) return;

  const std::string command_text = CommandText(tail);
  FUZZ_CHECK(InstanceNumber(command_text) == 7, "instance not 7");
  BindingScope scope;
  int calls = 0;
  std::vector<std::string> texts;
  scope.Bind(kMakeEMLFileSWName, kMakeEMLFileSWParameterCount,
             [&](std::span<const std::string> given) -> long long {
               ++calls;
               texts.assign(given.begin(), given.end());
               return 0;
             });
  scope.Evaluate(CallText(command_text));
  FUZZ_CHECK(calls == 1, "a call of literals did not run once");
  FUZZ_CHECK(texts.size() == 27, "call without 27 texts");
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string expected = i < pieces.size() ? pieces[i] : "";
    FUZZ_CHECK(texts[i] == expected, "a literal's text changed on its way");
  }
}

}  // namespace
}  // namespace vellaro

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  vellaro::RunTail(input);
  vellaro::RunQuotedPieces(input);
  return 0;
}
