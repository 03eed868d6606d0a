#include "mail/make_eml_file.h"

#include <memory>
#include <string>

#include "encode/paths.h"
#include "mail/bodies.h"
#include "mail/headers.h"
#include "mail/parts.h"
#include "runtime/line_writer.h"

namespace vellaro {
namespace {

constexpr std::string_view kClosingDelimiter = "------=_1_--";

}  // namespace

std::uint8_t MakeEMLFile(Env& env, const AppState& state,
                         const EmlParams& params) {
  if (params.page_count == 0) return kEmlNotWritten;

  // A path too long for its field is refused, never cut: the cut text would
  // name another file, which must not be replaced.
  const std::string path(FieldPath(params.eml_file_name));
  if (path.empty()) return kEmlNotWritten;
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
  // whatever else went wrong: it is never reported as written, and the
  // broken file is removed, so that no mail program is handed a message
  // with a gap or a cut end as if it were whole.
  if (out.Close() != kOk) {
    env.DeleteFile(path);
    return kEmlNotWritten;
  }
  return result;
}

}  // namespace vellaro
