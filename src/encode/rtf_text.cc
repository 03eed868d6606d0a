#include "encode/rtf_text.h"

#include "runtime/text.h"

namespace vellaro {
namespace {

constexpr RtfPiece Text(std::string_view text) { return {text}; }
constexpr RtfPiece Line(std::string_view text) {
  return {text, RtfSlot::kNone, true};
}
constexpr RtfPiece Slot(RtfSlot slot) { return {{}, slot}; }
constexpr RtfPiece SlotLine(RtfSlot slot) { return {{}, slot, true}; }

// clang-format off
constexpr RtfPiece kDocumentHeader[] = {
    // Font, colour and style tables.
    Line(R"({\rtf1\ansi\ansicpg1252\uc1\deff0\stshfdbch0\stshfloch0\stshfhich0\stshfbi0\deflang3081\deflangfe3081{\fonttbl{\f0\froman\fcharset0\fprq2{\*\panose 02020603050405020304}Times New Roman;}{\f36\froman\fcharset238\fprq2 Times New Roman CE;})"),
    Line(R"({\f37\froman\fcharset204\fprq2 Times New Roman Cyr;}{\f39\froman\fcharset161\fprq2 Times New Roman Greek;}{\f40\froman\fcharset162\fprq2 Times New Roman Tur;}{\f41\froman\fcharset177\fprq2 Times New Roman (Hebrew);})"),
    Line(R"({\f42\froman\fcharset178\fprq2 Times New Roman (Arabic);}{\f43\froman\fcharset186\fprq2 Times New Roman Baltic;}}{\colortbl;\red0\green0\blue0;\red0\green0\blue255;\red0\green255\blue255;\red0\green255\blue0;\red255\green0\blue255;\red255\green0\blue0;)"),
    Line(R"(\red255\green255\blue0;\red255\green255\blue255;\red0\green0\blue128;\red0\green128\blue128;\red0\green128\blue0;\red128\green0\blue128;\red128\green0\blue0;\red128\green128\blue0;\red128\green128\blue128;\red192\green192\blue192;}{\stylesheet{)"),
    Line(R"(\ql \li0\ri0\widctlpar\aspalpha\aspnum\faauto\adjustright\rin0\lin0\itap0 \fs24\lang3081\langfe3081\cgrid\langnp3081\langfenp3081 \snext0 Normal;}{\*\cs10 \additive \ssemihidden Default Paragraph Font;}{\*)"),
    Line(R"(\ts11\tsrowd\trftsWidthB3\trpaddl108\trpaddr108\trpaddfl3\trpaddft3\trpaddfb3\trpaddfr3\trcbpat1\trcfpat1\tscellwidthfts0\tsvertalt\tsbrdrt\tsbrdrl\tsbrdrb\tsbrdrr\tsbrdrdgl\tsbrdrdgr\tsbrdrh\tsbrdrv )"),
    Line(R"(\ql \li0\ri0\widctlpar\aspalpha\aspnum\faauto\adjustright\rin0\lin0\itap0 \fs20\lang1024\langfe1024\cgrid\langnp1024\langfenp1024 \snext11 \ssemihidden Normal Table;}}{\*\rsidtbl \rsid13835495}{\*\generator Microsoft Word 10.0.2627;}{\info{\title   })"),
    // Document information: author, times of creation and revision.
    Text(R"({\author Mervane}{\operator Mervane}{\creatim\yr)"),
    Slot(RtfSlot::kYear), Text(R"(\mo)"), Slot(RtfSlot::kMonth),
    Text(R"(\dy)"), Slot(RtfSlot::kDay), Text(R"(\hr)"), Slot(RtfSlot::kHour),
    Text(R"(\min)"), Slot(RtfSlot::kMinute),
    Text(R"(}{\revtim\yr)"),
    Slot(RtfSlot::kYear), Text(R"(\mo)"), Slot(RtfSlot::kMonth),
    Text(R"(\dy)"), Slot(RtfSlot::kDay), Text(R"(\hr)"), Slot(RtfSlot::kHour),
    Text(R"(\min)"), Slot(RtfSlot::kMinute),
    Text(R"(}{\version1}{\edmins4}{\nofpages2}{\nofwords0})"),
    Text(R"({\nofchars2}{\*\company )"), Text("Corvastel"), Line(R"(}{\nofcharsws2}{\vern16437}})"),
    // Document formatting: paper, margins, section.
    Slot(RtfSlot::kPaperWords), Text(R"(\margl)"), Slot(RtfSlot::kMarginLeft),
    Text(R"(\margt)"), Slot(RtfSlot::kMarginTop),
    Text(R"(\widowctrl\ftnbj\aenddoc\noxlattoyen\)"),
    Text(R"(expshrtn\noultrlspc\dntblnsbdb\nospaceforul\formshade\horzdoc\)"),
    Line(R"(dgmargin\dghspace180\dgvspace180\dghorigin1800\dgvorigin1440\dghshow1\dgvshow1)"),
    Text(R"(\jexpand\viewkind1\viewscale100\pgbrdrhead\pgbrdrfoot\splytwnine\)"),
    Text(R"(ftnlytwnine\htmautsp\nolnhtadjtbl\useltbaln\alntblind\lytcalctblwd\)"),
    Text(R"(lyttblrtgr\lnbrkrule\nobrkwrptbl\snaptogridincell\allowfieldendsel\)"),
    Text(R"(wrppunct\asianbrkrule\rsidroot13835495 \fet0\sectd )"), SlotLine(RtfSlot::kLandscapeWords),
    // Section numbering levels, then the paragraph that holds the pictures.
    Text(R"(\linex0\headery708\footery708\colsx708\endnhere\sectlinegrid360\)"),
    Text(R"(sectdefaultcl\sftnbj {\*\pnseclvl1\pnucrm\pnstart1\pnindent720\)"),
    Text(R"(pnhang {\pntxta .}}{\*\pnseclvl2\pnucltr\pnstart1\pnindent720\)"),
    Line(R"(pnhang {\pntxta .}}{\*\pnseclvl3\pndec\pnstart1\pnindent720\pnhang)"),
    Text(R"({\pntxta .}}{\*\pnseclvl4\pnlcltr\pnstart1\pnindent720\)"),
    Text(R"(pnhang {\pntxta )}}{\*\pnseclvl5\pndec\pnstart1\pnindent720\)"),
    Text(R"(pnhang {\pntxtb (}{\pntxta )}}{\*\pnseclvl6\pnlcltr\pnstart1\)"),
    Line(R"(pnindent720\pnhang {\pntxtb (}{\pntxta )}}{\*\pnseclvl7)"),
    Text(R"(\pnlcrm\pnstart1\pnindent720\pnhang {\pntxtb (}{\pntxta )}})"),
    Text(R"({\*\pnseclvl8\pnlcltr\pnstart1\pnindent720\pnhang {\pntxtb (}{\pntxta )}})"),
    Text(R"({\*\pnseclvl9\pnlcrm\pnstart1\pnindent720\)"),
    Line(R"(pnhang {\pntxtb (}{\pntxta )}}\pard\plain )"),
    Text(R"(\ql \li0\ri0\widctlpar\aspalpha\aspnum\faauto\adjustright\)"),
    Text(R"(rin0\lin0\itap0 \fs24\lang3081\langfe3081\cgrid\)"),
    Text(R"(langnp3081\langfenp3081 {\insrsid13835495)"),
};

constexpr RtfPiece kPageHead[] = {
    // Picture prefix.
    Line(R"( {\pict{\*\picprop\shplid1026{\sp{\sn shapeType}{\sv 75}}{\sp{\sn fFlipH}{\sv 0}})"),
    Text(R"({\sp{\sn fFlipV}{\sv 0}}{\sp{\sn pibFlags}{\sv 2}}{\sp{\sn fLine}{\sv 0}}{\sp{\sn fLayoutInCell}{\sv 1}}}\picscalex)"),
    Slot(RtfSlot::kScale), Text(R"(\picscaley)"), Slot(RtfSlot::kScale),
    // Picture text.
    Line(R"(\piccropl0\piccropr0\piccropt0\piccropb0)"),
    Text(R"(\picw)"), Slot(RtfSlot::kPicWidth),
    Text(R"(\pich)"), Slot(RtfSlot::kPicHeight),
    Text(R"(\picwgoal)"), Slot(RtfSlot::kPicWidthGoal),
    Text(R"(\pichgoal)"), Slot(RtfSlot::kPicHeightGoal),
    Text(R"(\wmetafile8\)"),
    Text("bliptag"), Slot(RtfSlot::kPictureTag),
    Text(R"(\blipupi-58{\*\blipuid b09f3721717b6ae0a7a87d)"), Slot(RtfSlot::kPictureTag),
    Line("}"),
};
// clang-format on

struct PaperWords {
  std::string_view name;
  std::string_view portrait;
  std::string_view landscape;
};

// The first row is also the words of an unknown paper name.
constexpr PaperWords kPapers[] = {
    {"A4", R"(\psz9\paperw11909\paperh16834)",
     R"(\psz9\paperw16834\paperh11909)"},
    {"A5", R"(\psz11\paperw8395\paperh11909)",
     R"(\psz11\paperw11909\paperh8395)"},
    {"Letter", R"(\psz1\paperw12270\paperh15880)",
     R"(\psz1\paperw15880\paperh12270)"},
};

}  // namespace

std::span<const RtfPiece> RtfDocumentHeader() { return kDocumentHeader; }

std::span<const RtfPiece> RtfPageHead() { return kPageHead; }

std::string_view RtfPaperWords(std::string_view paper_name, bool landscape) {
  const PaperWords* paper = &kPapers[0];
  for (const PaperWords& known : kPapers) {
    if (SameText(paper_name, known.name)) paper = &known;
  }
  return landscape ? paper->landscape : paper->portrait;
}

std::string RenderRtf(std::span<const RtfPiece> pieces,
                      const RtfValues& values) {
  std::string out;
  for (const RtfPiece& piece : pieces) {
    out += piece.slot == RtfSlot::kNone
               ? piece.text
               : values[static_cast<std::size_t>(piece.slot)];
    if (piece.line_end) out += "\r\n";
  }
  return out;
}

}  // namespace vellaro
