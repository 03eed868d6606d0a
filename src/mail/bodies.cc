#include "mail/bodies.h"

#include <span>
#include <string>

#include "encode/color.h"
#include "mail/content_mode.h"
#include "runtime/text.h"

namespace vellaro {
namespace {

// ---- Fixed texts of the bodies, in the order written ----
// The HTML lines are quoted-printable already: "=3D" is an equals sign,
// "=20" at a line's end a space that belongs to the text, and a lone "=" at
// a line's end a soft break.

// The preamble, the plain-text part (its body is empty) and the HTML part
// up to the end of its head's fixed lines.
constexpr std::string_view kBodyStart[] = {
    "This is a multi-part message in MIME format.",
    "",
    "------=_1_",
    "Content-Type: multipart/alternative;",
    R"(    boundary="----=_2_")",
    "",
    "------=_2_",
    "Content-Type: text/plain;",
    R"(    charset="iso-8859-1")",
    "Content-Transfer-Encoding: quoted-printable",
    "",
    "------=_2_",
    "Content-Type: text/HTML;",
    R"(    charset="iso-8859-1")",
    "Content-Transfer-Encoding: quoted-printable",
    "",
    "",
    R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)",
    "<HTML><HEAD>",
    R"(<META http-equiv=3DContent-Type content=3D"text/HTML; =)",
    R"(charset=3Diso-8859-1">)",
    R"(<META content=3D"MSHTML 5.50.4134.100" name=3DGENERATOR>)",
};

// The background sound, the part with content id "sf".
constexpr std::string_view kSoundElement = "<BGSOUND =";
constexpr std::string_view kSoundBalance = "balance=3D0=20";
constexpr std::string_view kSoundLoop = "loop=3D";
constexpr std::string_view kSoundSource = R"( src=3D"cid:sf" =)";
constexpr std::string_view kSoundVolume = "volume=3D0>";

// The body element: "...bgColor=3D#" colour ">".
constexpr std::string_view kBodyElement =
    "<STYLE></STYLE></HEAD><BODY bgColor=3D#";
constexpr std::string_view kTagEnd = ">";

// The message text block: "<FONT face=3D" face " size=3D" size
// " color=3D#" colour ">", each text line and "<br>", "</FONT>".
constexpr std::string_view kTextFontFace = "<FONT face=3D";
constexpr std::string_view kTextFontSize = " size=3D";
constexpr std::string_view kTextFontColor = " color=3D#";
constexpr std::string_view kTextLineBreak = "<br>";
constexpr std::string_view kTextEnd = "</FONT>";

// The page section around the page lines.
constexpr std::string_view kPagesStart = "<DIV><FONT face=3DArial size=3D1>";
constexpr std::string_view kPagesEnd = "</FONT></DIV></BODY></HTML>";

// The end of the alternative section.
constexpr std::string_view kBodyEnd[] = {"", "------=_2_--", "", ""};

// The pieces of the page lines.
constexpr std::string_view kAnchorStart = R"(<A name=3D")";
constexpr std::string_view kAnchorMiddle = R"("></A><A href=3D"#)";
constexpr std::string_view kLinkStart = R"(<A href=3D"#)";
constexpr std::string_view kLinkEnd = R"(">)";
constexpr std::string_view kDownArrow =
    R"(<IMG alt=3D"" hspace=3D0=20src=3D"cid:d" align=3Dright=20border=3D0></A>)";
constexpr std::string_view kDownArrowAndBreaks =
    R"(<IMG alt=3D"" hspace=3D0=20src=3D"cid:d" align=3Dright=20border=3D0></A><BR><BR>)";
constexpr std::string_view kUpArrowAndBreaks =
    R"(<IMG alt=3D"" hspace=3D0=20src=3D"cid:u" align=3Dright=20border=3D0></A><BR><BR>)";
constexpr std::string_view kPlainPictureStart =
    R"(<IMG alt=3D"" hspace=3D0=20src=3D"cid:)";
constexpr std::string_view kPlainPictureEnd =
    R"(" align=3Dbaseline=20border=3D0><BR>)";
constexpr std::string_view kSizedPictureStart = "<IMG height=3D";
constexpr std::string_view kSoftBreak = " =";
constexpr std::string_view kSourceStart = R"(src=3D"cid:)";
constexpr std::string_view kSourceEnd = R"(")";
constexpr std::string_view kWidth = " width=3D";
constexpr std::string_view kEncodedSpace = "=20";
constexpr std::string_view kBorderLine = "border=3D0><BR>";

struct LoopWord {
  std::string_view word;
  int count;
};

constexpr LoopWord kLoopWords[] = {
    {"Once", 1},
    {"Twice", 2},
    {"Three times", 3},
    {"Forever", -1},
};

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::int32_t kBlack = 0;
constexpr std::size_t kListLineWidth = 256;  // ERQ:LINE

// A colour value, or `fallback` when the caller gave none (0 or less).
std::string ColorText(std::int32_t color, std::int32_t fallback) {
  return ColorToHex(color > 0 ? color : fallback);
}

void WriteLines(std::span<const std::string_view> lines, LineWriter& out) {
  for (std::string_view line : lines) out.AppendLine(line);
}

void WriteSoundElement(const EmlParams& params, LineWriter& out) {
  if (IsBlank(params.sound_file)) return;
  out.AppendLine(kSoundElement);
  out.AppendLine(kSoundBalance);
  out.AppendLine(
      {kSoundLoop, Decimal(SoundLoopCount(params.sound_loop)), kSoundSource});
  out.AppendLine(kSoundVolume);
}

void WriteMessageText(const EmlParams& params, const AppState& state,
                      LineWriter& out) {
  if (state.message_text.empty()) return;
  out.AppendLine({kTextFontFace, Clip(params.font_face), kTextFontSize,
                  Decimal(params.font_size), kTextFontColor,
                  ColorText(params.font_color, kBlack), kTagEnd});
  for (const std::string& line : state.message_text) {
    out.AppendLine({FieldText(line, kListLineWidth), kTextLineBreak});
  }
  out.AppendLine(kTextEnd);
}

// The anchor of page `page` and the arrows that lead to its neighbours.
void WriteNavigationLines(int page, int page_count, LineWriter& out) {
  const std::string here = Decimal(page);
  if (page == 1) {
    out.AppendLine(
        {kAnchorStart, here, kAnchorMiddle, Decimal(page + 1), kLinkEnd});
    out.AppendLine(kDownArrowAndBreaks);
  } else if (page == page_count) {
    out.AppendLine(
        {kAnchorStart, here, kAnchorMiddle, Decimal(page - 1), kLinkEnd});
    out.AppendLine(kUpArrowAndBreaks);
  } else {
    out.AppendLine(
        {kAnchorStart, here, kAnchorMiddle, Decimal(page + 1), kLinkEnd});
    out.AppendLine(kDownArrow);
    out.AppendLine({kLinkStart, Decimal(page - 1), kLinkEnd});
    out.AppendLine(kUpArrowAndBreaks);
  }
}

void WritePictureLines(int page, std::uint8_t scale_percent, PictureSize size,
                       LineWriter& out) {
  const std::string content_id = Decimal(page);
  if (scale_percent == 100) {
    out.AppendLine({kPlainPictureStart, content_id, kPlainPictureEnd});
    return;
  }
  out.AppendLine({kSizedPictureStart, Decimal(size.height), kSoftBreak});
  out.AppendLine({kSourceStart, content_id, kSourceEnd, kWidth,
                  Decimal(size.width), kEncodedSpace});
  out.AppendLine(kBorderLine);
}

}  // namespace

PictureSize ComputePictureSize(const EmlParams& params) {
  // Thousandths of an inch to pixels at 96 per inch: x 96 / 1000.
  const std::int64_t w0 = std::int64_t{params.page_width} * 96 / 1000;
  const std::int64_t h0 = std::int64_t{params.page_height} * 96 / 1000;
  std::int64_t w1 = w0;
  std::int64_t h1 = h0;
  if (params.landscape != 0) {
    w1 = h0;
    h1 = w0 * 10664 / 10000;  // x 1.0664
  }
  const std::int64_t scale =
      params.scale_percent == 0 ? 100 : params.scale_percent;
  return {w1 * scale / 100, h1 * scale / 100};
}

int SoundLoopCount(std::string_view sound_loop) {
  for (const LoopWord& loop : kLoopWords) {
    if (SameText(sound_loop, loop.word)) return loop.count;
  }
  return 0;
}

void WriteBodies(const EmlParams& params, const AppState& state,
                 PictureSize size, LineWriter& out) {
  WriteLines(kBodyStart, out);
  WriteSoundElement(params, out);
  out.AppendLine({kBodyElement, ColorText(params.bg_color, kWhite), kTagEnd});
  WriteMessageText(params, state, out);
  out.AppendLine(kPagesStart);
  if (ShowsPages(params)) {
    for (int page = 1; page <= params.page_count; ++page) {
      WritePageLines(page, params, size, out);
    }
  }
  out.AppendLine(kPagesEnd);
  WriteLines(kBodyEnd, out);
}

void WritePageLines(int page, const EmlParams& params, PictureSize size,
                    LineWriter& out) {
  if (NavigationOn(params)) {
    WriteNavigationLines(page, params.page_count, out);
  }
  WritePictureLines(page, params.scale_percent, size, out);
}

}  // namespace vellaro
