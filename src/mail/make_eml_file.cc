#include "mail/make_eml_file.h"

#include <memory>
#include <string>

#include "mail/bodies.h"
#include "mail/headers.h"
#include "mail/parts.h"
#include "runtime/line_writer.h"
#include "runtime/text.h"

namespace vellaro {
namespace {

constexpr std::size_t kPathWidth = 256;
constexpr std::string_view kClosingDelimiter = "------=_1_--";

}  // namespace

std::uint8_t MakeEMLFile(Env& env, const AppState& state,
                         const EmlParams& params) {
  if (params.page_count == 0) return kEmlNotWritten;

  const std::string path(FieldText(params.eml_file_name, kPathWidth));
  env.DeleteFile(path);
  std::unique_ptr<WritableFile> file;
  if (env.CreateForWriting(path, &file) != kOk) return kEmlNotWritten;
  LineWriter out(std::move(file));

  const PictureSize size = ComputePictureSize(params);
  WriteHeaderBlock(params, out);
  WriteBodies(params, state, size, out);
  out.raw().Flush();
  EmlResult result =
      out.ok() ? WriteParts(env, state, params, out) : kEmlNotWritten;
  if (result == kEmlDone) {
    out.AppendEmptyLine();
    out.AppendLine(kClosingDelimiter);
  }
  // A write that failed anywhere (a full disk) leaves the message unusable,
  // whatever else went wrong: it is never reported as written.
  if (out.Close() != kOk) return kEmlNotWritten;
  return result;
}

}  // namespace vellaro
