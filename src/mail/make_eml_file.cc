#include "mail/make_eml_file.h"

#include <memory>
#include <string>

#include "runtime/line_writer.h"
#include "runtime/text.h"

namespace vellaro {

std::uint8_t MakeEMLFile(Env& env, const AppState& state,
                         const EmlParams& params) {
  (void)state;
  if (params.page_count == 0) return kEmlNotWritten;

  std::string path(FieldText(params.eml_file_name, 256));
  env.DeleteFile(path);
  std::unique_ptr<WritableFile> file;
  if (env.CreateForWriting(path, &file) != kOk) return kEmlNotWritten;
  LineWriter out(std::move(file));

  // TODO(mail): headers, bodies and parts.

  out.AppendEmptyLine();
  out.AppendLine("------=_1_--");
  return out.Close() == kOk ? kEmlDone : kEmlNotWritten;
}

}  // namespace vellaro
