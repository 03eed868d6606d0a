#include "mail/parts.h"

#include <span>
#include <string_view>

#include "encode/base64.h"
#include "encode/paths.h"
#include "encode/rtf_writer.h"
#include "mail/arrows.h"
#include "mail/content_mode.h"
#include "runtime/text.h"

namespace vellaro {
namespace {

// ---- Fixed texts of the parts ----

constexpr std::string_view kPartDelimiter = "------=_1_";
constexpr std::string_view kOctetStreamType =
    "Content-Type: application/octet-stream;";
constexpr std::string_view kSoundType = "Content-Type: audio/basic;";
constexpr std::string_view kBase64Encoding =
    "Content-Transfer-Encoding: base64";
constexpr std::string_view kAttachmentDisposition =
    "Content-Disposition: attachment;";

// Pieces of the name and content-id lines.
constexpr std::string_view kNameStart = R"(    name=")";
constexpr std::string_view kFileNameStart = R"(    filename=")";
constexpr std::string_view kClosingQuote = R"(")";
constexpr std::string_view kRtfExtension = ".RTF";
constexpr std::string_view kMetafileExtensionAndQuote = R"(.WMF")";
constexpr std::string_view kContentIdStart = "Content-ID: <";
constexpr std::string_view kContentIdEnd = ">";

// The sound part: always this name and type, whatever the file holds.
constexpr std::string_view kSoundName = "snd.wav";
constexpr std::string_view kSoundContentId = "sf";

// The arrow parts, up first; the HTML body refers to them as cid:u and
// cid:d.
struct ArrowPart {
  std::string_view name;
  std::string_view content_id;
  const std::string EmlParams::*file;
  std::span<const std::string_view> (*built_in)();
};

constexpr ArrowPart kArrowParts[] = {
    {"u.gif", "u", &EmlParams::up_image, &BuiltInUpArrow},
    {"d.gif", "d", &EmlParams::down_image, &BuiltInDownArrow},
};

constexpr std::size_t kListLineWidth = 256;  // EAQ:FILENAME

// Hands what is buffered to the message file; false once a write failed.
bool Flushed(LineWriter& out) {
  out.raw().Flush();
  return out.ok();
}

// The headers of a part that the HTML body shows by its content id, and
// the empty line that ends them.
void WriteInlinePartHeaders(std::string_view type,
                            std::initializer_list<std::string_view> name_line,
                            std::string_view content_id, LineWriter& out) {
  out.AppendLine(kPartDelimiter);
  out.AppendLine(type);
  out.AppendLine(name_line);
  out.AppendLine(kBase64Encoding);
  out.AppendLine({kContentIdStart, content_id, kContentIdEnd});
  out.AppendEmptyLine();
}

// The headers of a part that travels as an attachment named `name` and
// `extension`, and the empty line that ends them.
void WriteAttachmentPartHeaders(std::string_view name,
                                std::string_view extension, LineWriter& out) {
  out.AppendLine(kPartDelimiter);
  out.AppendLine(kOctetStreamType);
  out.AppendLine({kNameStart, name, extension, kClosingQuote});
  out.AppendLine(kBase64Encoding);
  out.AppendLine(kAttachmentDisposition);
  out.AppendLine({kFileNameStart, name, extension, kClosingQuote});
  out.AppendEmptyLine();
}

// Leaves copies of the RTF work file for the caller: in RTFCopyFolder (made
// first) when one is given, and in the work folder, both named RTFName and
// ".RTF". A copy that fails is not reported.
void SaveRtfCopies(Env& env, const AppState& state, const EmlParams& params,
                   const std::string& work_file) {
  const std::string_view name = Clip(params.rtf_name);
  if (!IsBlank(params.rtf_copy_folder)) {
    std::string folder(Clip(params.rtf_copy_folder));
    if (!IsPathSeparator(folder.back())) folder += '\\';
    MakeFolders(env, folder);
    env.CopyFile(work_file, folder.append(name).append(kRtfExtension));
  }
  std::string copy(Clip(state.work_folder));
  env.CopyFile(work_file, copy.append(name).append(kRtfExtension));
}

EmlResult WriteRtfPart(Env& env, const AppState& state, const EmlParams& params,
                       LineWriter& out) {
  if (!AttachesRtf(params)) return kEmlDone;
  const std::string work_file = RtfWorkFilePath(state);
  RtfRequest request;
  request.rtf_path = work_file;
  request.paper_name = params.paper_name;
  request.page_count = params.page_count;
  request.scale_percent = params.scale_percent;
  request.left_margin = params.left_margin;
  request.top_margin = params.top_margin;
  request.page_width = params.page_width;
  request.page_height = params.page_height;
  request.landscape = params.landscape;

  // The part's data is encoded while the document is written, so the
  // document is never read back. Without a complete document the message
  // simply has no RTF part: what was written of it is taken back out.
  const std::uint64_t part_start = out.raw().size();
  WriteAttachmentPartHeaders(Clip(params.rtf_name), kRtfExtension, out);
  Base64Stream data(out);
  request.tap = &data;
  if (MakeRTFFile(env, state, request) != 0) {
    out.raw().Rewind(part_start);
    return kEmlDone;
  }
  data.Finish();
  out.AppendEmptyLine();
  SaveRtfCopies(env, state, params, work_file);
  return kEmlDone;
}

EmlResult WritePageParts(Env& env, const AppState& state,
                         const EmlParams& params, LineWriter& out) {
  if (!ShowsPages(params)) return kEmlDone;
  for (int page = 1; page <= params.page_count; ++page) {
    const std::string number = Decimal(page);
    WriteInlinePartHeaders(kOctetStreamType,
                           {kNameStart, number, kMetafileExtensionAndQuote},
                           number, out);
    if (EncodeFileBase64(env, PageFilePath(state, page), out) != 0) {
      return kEmlUnreadable;
    }
    out.AppendEmptyLine();
    if (!Flushed(out)) return kEmlNotWritten;
  }
  return kEmlDone;
}

EmlResult WriteArrowParts(Env& env, const AppState&, const EmlParams& params,
                          LineWriter& out) {
  if (!ShowsPages(params) || !NavigationOn(params)) return kEmlDone;
  for (const ArrowPart& arrow : kArrowParts) {
    WriteInlinePartHeaders(kOctetStreamType,
                           {kNameStart, arrow.name, kClosingQuote},
                           arrow.content_id, out);
    if (EncodeFileBase64(env, params.*arrow.file, out) != 0) {
      for (std::string_view line : arrow.built_in()) out.AppendLine(line);
    }
  }
  return kEmlDone;
}

EmlResult WriteSoundPart(Env& env, const AppState&, const EmlParams& params,
                         LineWriter& out) {
  if (IsBlank(params.sound_file)) return kEmlDone;
  WriteInlinePartHeaders(kSoundType, {kNameStart, kSoundName, kClosingQuote},
                         kSoundContentId, out);
  // A sound that cannot be read leaves the part without data.
  EncodeFileBase64(env, params.sound_file, out);
  return kEmlDone;
}

// Each file of the attachment list travels under its bare name. It is read
// through a work copy in the work folder, deleted once embedded. Only a copy
// the builder made itself is read and deleted: when the copy fails (the
// file is missing, or it already is the work copy) the file itself is read,
// so neither a stray file of that name is attached nor the caller's file
// deleted.
EmlResult WriteAttachmentParts(Env& env, const AppState& state,
                               const EmlParams&, LineWriter& out) {
  for (const std::string& entry : state.attachments) {
    const std::string path(FieldText(entry, kListLineWidth));
    const std::string_view name = BareFileName(path);
    const std::string work_copy =
        std::string(Clip(state.work_folder)) + std::string(name);
    const bool copied = env.CopyFile(path, work_copy) == kOk;

    WriteAttachmentPartHeaders(name, "", out);
    const std::uint8_t encoded =
        EncodeFileBase64(env, copied ? work_copy : path, out);
    if (encoded != 0) {
      env.RestorePointer();
      if (copied) env.DeleteFile(work_copy);
      return kEmlUnreadable;
    }
    out.AppendEmptyLine();
    if (copied) env.DeleteFile(work_copy);
    if (!Flushed(out)) return kEmlNotWritten;
  }
  return kEmlDone;
}

using PartWriter = EmlResult (*)(Env&, const AppState&, const EmlParams&,
                                 LineWriter&);

// The parts, in the order written; each decides for itself whether the
// message carries it.
constexpr PartWriter kPartWriters[] = {
    &WriteRtfPart,   &WritePageParts,       &WriteArrowParts,
    &WriteSoundPart, &WriteAttachmentParts,
};

}  // namespace

EmlResult WriteParts(Env& env, const AppState& state, const EmlParams& params,
                     LineWriter& out) {
  for (PartWriter write : kPartWriters) {
    EmlResult result = write(env, state, params, out);
    if (result != kEmlDone) return result;
    if (!Flushed(out)) return kEmlNotWritten;
  }
  return kEmlDone;
}

std::string RtfWorkFilePath(const AppState& state) {
  std::string path(Clip(state.work_folder));
  AppendDecimal(path, state.instance);
  path += kRtfExtension;
  return path;
}

std::string_view BareFileName(std::string_view path) {
  std::size_t last = path.size();
  while (last > 0 && !IsPathSeparator(path[last - 1])) --last;
  return path.substr(last);
}

}  // namespace vellaro
