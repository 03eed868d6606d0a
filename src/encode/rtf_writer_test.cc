#include "encode/rtf_writer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <random>
#include <string>

#include "encode/paths.h"
#include "encode/reference_encoders.h"
#include "runtime/mem_env.h"

namespace vellaro {
namespace {

constexpr char kRtfPath[] = "/w/KQ/5.RTF";
const std::string kPlaceable(22, 'H');  // the header every page file skips

// The document header for 7 March 2026, 09:05, portrait A4, margins 197.
// clang-format off
const std::string kHeaderA4 =
      "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\\stshfdbch0\\stshfloch0\\stshfhich0\\stshfbi0\\deflang3081\\deflangfe3081{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}{\\f36\\froman\\fcharset238\\fprq2 Times New Roman CE;}" "\r\n"
      "{\\f37\\froman\\fcharset204\\fprq2 Times New Roman Cyr;}{\\f39\\froman\\fcharset161\\fprq2 Times New Roman Greek;}{\\f40\\froman\\fcharset162\\fprq2 Times New Roman Tur;}{\\f41\\froman\\fcharset177\\fprq2 Times New Roman (Hebrew);}" "\r\n"
      "{\\f42\\froman\\fcharset178\\fprq2 Times New Roman (Arabic);}{\\f43\\froman\\fcharset186\\fprq2 Times New Roman Baltic;}}{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue255;\\red0\\green255\\blue0;\\red255\\green0\\blue255;\\red255\\green0\\blue0;" "\r\n"
      "\\red255\\green255\\blue0;\\red255\\green255\\blue255;\\red0\\green0\\blue128;\\red0\\green128\\blue128;\\red0\\green128\\blue0;\\red128\\green0\\blue128;\\red128\\green0\\blue0;\\red128\\green128\\blue0;\\red128\\green128\\blue128;\\red192\\green192\\blue192;}{\\stylesheet{" "\r\n"
      "\\ql \\li0\\ri0\\widctlpar\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\fs24\\lang3081\\langfe3081\\cgrid\\langnp3081\\langfenp3081 \\snext0 Normal;}{\\*\\cs10 \\additive \\ssemihidden Default Paragraph Font;}{\\*" "\r\n"
      "\\ts11\\tsrowd\\trftsWidthB3\\trpaddl108\\trpaddr108\\trpaddfl3\\trpaddft3\\trpaddfb3\\trpaddfr3\\trcbpat1\\trcfpat1\\tscellwidthfts0\\tsvertalt\\tsbrdrt\\tsbrdrl\\tsbrdrb\\tsbrdrr\\tsbrdrdgl\\tsbrdrdgr\\tsbrdrh\\tsbrdrv " "\r\n"
      "\\ql \\li0\\ri0\\widctlpar\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\fs20\\lang1024\\langfe1024\\cgrid\\langnp1024\\langfenp1024 \\snext11 \\ssemihidden Normal Table;}}{\\*\\rsidtbl \\rsid13835495}{\\*\\generator Microsoft Word 10.0.2627;}{\\info{\\title   }" "\r\n"
      "{\\author Mervane}{\\operator Mervane}{\\creatim\\yr"
      "2026" "\\mo" "3" "\\dy" "7" "\\hr" "9" "\\min" "5"
      "}{\\revtim\\yr" "2026\\mo3\\dy7\\hr9\\min5"
      "}{\\version1}{\\edmins4}{\\nofpages2}{\\nofwords0}"
      "{\\nofchars2}{\\*\\company " "Corvastel" "}{\\nofcharsws2}{\\vern16437}}" "\r\n"
      "\\psz9\\paperw11909\\paperh16834" "\\margl" "500" "\\margt" "500" "\\widowctrl\\ftnbj\\aenddoc\\noxlattoyen\\"
      "expshrtn\\noultrlspc\\dntblnsbdb\\nospaceforul\\formshade\\horzdoc\\"
      "dgmargin\\dghspace180\\dgvspace180\\dghorigin1800\\dgvorigin1440\\dghshow1\\dgvshow1" "\r\n"
      "\\jexpand\\viewkind1\\viewscale100\\pgbrdrhead\\pgbrdrfoot\\splytwnine\\"
      "ftnlytwnine\\htmautsp\\nolnhtadjtbl\\useltbaln\\alntblind\\lytcalctblwd\\"
      "lyttblrtgr\\lnbrkrule\\nobrkwrptbl\\snaptogridincell\\allowfieldendsel\\"
      "wrppunct\\asianbrkrule\\rsidroot13835495 \\fet0\\sectd " "\r\n"
      "\\linex0\\headery708\\footery708\\colsx708\\endnhere\\sectlinegrid360\\"
      "sectdefaultcl\\sftnbj {\\*\\pnseclvl1\\pnucrm\\pnstart1\\pnindent720\\"
      "pnhang {\\pntxta .}}{\\*\\pnseclvl2\\pnucltr\\pnstart1\\pnindent720\\"
      "pnhang {\\pntxta .}}{\\*\\pnseclvl3\\pndec\\pnstart1\\pnindent720\\pnhang" "\r\n"
      "{\\pntxta .}}{\\*\\pnseclvl4\\pnlcltr\\pnstart1\\pnindent720\\"
      "pnhang {\\pntxta )}}{\\*\\pnseclvl5\\pndec\\pnstart1\\pnindent720\\"
      "pnhang {\\pntxtb (}{\\pntxta )}}{\\*\\pnseclvl6\\pnlcltr\\pnstart1\\"
      "pnindent720\\pnhang {\\pntxtb (}{\\pntxta )}}{\\*\\pnseclvl7" "\r\n"
      "\\pnlcrm\\pnstart1\\pnindent720\\pnhang {\\pntxtb (}{\\pntxta )}}"
      "{\\*\\pnseclvl8\\pnlcltr\\pnstart1\\pnindent720\\pnhang {\\pntxtb (}{\\pntxta )}}"
      "{\\*\\pnseclvl9\\pnlcrm\\pnstart1\\pnindent720\\"
      "pnhang {\\pntxtb (}{\\pntxta )}}\\pard\\plain " "\r\n"
      "\\ql \\li0\\ri0\\widctlpar\\aspalpha\\aspnum\\faauto\\adjustright\\"
      "rin0\\lin0\\itap0 \\fs24\\lang3081\\langfe3081\\cgrid\\"
      "langnp3081\\langfenp3081 {\\insrsid13835495";

// The head of a picture group: portrait A4 of 8270 x 11530 at 100 percent.
std::string PageHeadA4(const std::string& tag) {
  return " {\\pict{\\*\\picprop\\shplid1026{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fFlipH}{\\sv 0}}" "\r\n"
         "{\\sp{\\sn fFlipV}{\\sv 0}}{\\sp{\\sn pibFlags}{\\sv 2}}{\\sp{\\sn fLine}{\\sv 0}}{\\sp{\\sn fLayoutInCell}{\\sv 1}}}\\picscalex"
         "100" "\\picscaley" "100"
         "\\piccropl0\\piccropr0\\piccropt0\\piccropb0" "\r\n"
         "\\picw21005\\pich29286\\picwgoal11907\\pichgoal16602\\wmetafile8\\"
         "bliptag" + tag + "\\blipupi-58{\\*\\blipuid b09f3721717b6ae0a7a87d" + tag + "}" "\r\n";
}
// clang-format on

const std::string kSeparator = "}}{\\insrsid13835495";
const std::string kEnd = " \r\n\\par }}";

std::string RandomBytes(std::size_t n, std::mt19937& rng) {
  std::string data(n, '\0');
  for (char& c : data) c = static_cast<char>(rng() & 0xFF);
  return data;
}

// The number right after `keyword` (where a digit or "-" follows it).
long long NumberAfter(const std::string& doc, const std::string& keyword) {
  for (std::size_t at = doc.find(keyword); at != std::string::npos;
       at = doc.find(keyword, at + 1)) {
    const std::size_t start = at + keyword.size();
    if (start < doc.size() && (std::isdigit(doc[start]) || doc[start] == '-')) {
      return std::stoll(doc.substr(start, 24));
    }
  }
  ADD_FAILURE() << "no number after " << keyword;
  return -1;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

class RtfWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.work_folder = "/w/KQ\\";
    state_.instance = 5;
    env_.PutFolder("/w/KQ");
    env_.set_now({2026, 3, 7, 9, 5, 42});
    request_.rtf_path = kRtfPath;
    request_.paper_name = "A4";
    request_.page_count = 1;
    request_.left_margin = 197;
    request_.top_margin = 197;
    request_.page_width = 8270;
    request_.page_height = 11530;
  }

  void PutPage(int page, const std::string& data) {
    env_.PutFile(PageFilePath(state_, page), kPlaceable + data);
  }

  // Writes the document of `pages` one-byte pages and returns it.
  std::string Write(int pages = 1, std::uint8_t expected_result = 0) {
    for (int page = 1; page <= pages; ++page) PutPage(page, "\x5A");
    request_.page_count = static_cast<std::uint8_t>(pages);
    EXPECT_EQ(MakeRTFFile(env_, state_, request_), expected_result);
    return env_.FileContents(kRtfPath);
  }

  MemEnv env_;
  AppState state_;
  RtfRequest request_;
};

TEST_F(RtfWriterTest, WholeDocument) {
  env_.QueueRandom(1234567890);
  PutPage(1, std::string("\x00\x1F\xA0\xFF", 4));
  env_.PutFile(PageFilePath(state_, 2), kPlaceable);  // header only: no data
  request_.page_count = 2;
  request_.paper_name = "A4   ";
  ASSERT_EQ(MakeRTFFile(env_, state_, request_), 0);
  const std::string head = PageHeadA4("1234567890");
  EXPECT_EQ(
      env_.FileContents(kRtfPath),
      kHeaderA4 + head + "001FA0FF" + kSeparator + head + kSeparator + kEnd);
}

TEST_F(RtfWriterTest, PictureSizesAndMarginsUseExactArithmetic) {
  const struct {
    std::uint8_t landscape;
    std::int32_t width, height, margin;
    long long picw, pich, picwgoal, pichgoal, margin_out;
  } cases[] = {
      {0, 8270, 11530, 197, 21005, 29286, 11907, 16602, 500},
      {1, 8270, 11530, 197, 29286, 22399, 16602, 11907, 500},
      // 780000 x 0.5669 is exactly 442182; in binary floating point the
      // product falls just below it.
      {0, 307087, 100, 0, 780000, 254, 442182, 143, 0},
      {0, -8270, 11530, -197, -21005, 29286, -11907, 16602, -500},
      // Sizes past 32 bits are written whole, not wrapped.
      {0, 2000000000, 100, 0, 5080000000, 254, 2879852000, 143, 0},
  };
  for (const auto& c : cases) {
    request_.landscape = c.landscape;
    request_.page_width = c.width;
    request_.page_height = c.height;
    request_.left_margin = c.margin;
    request_.top_margin = c.margin;
    const std::string doc = Write();
    SCOPED_TRACE(testing::Message()
                 << c.width << " landscape " << +c.landscape);
    EXPECT_EQ(NumberAfter(doc, "\\picw"), c.picw);
    EXPECT_EQ(NumberAfter(doc, "\\pich"), c.pich);
    EXPECT_EQ(NumberAfter(doc, "\\picwgoal"), c.picwgoal);
    EXPECT_EQ(NumberAfter(doc, "\\pichgoal"), c.pichgoal);
    EXPECT_EQ(NumberAfter(doc, "\\margl"), c.margin_out);
    EXPECT_EQ(NumberAfter(doc, "\\margt"), c.margin_out);
  }
}

TEST_F(RtfWriterTest, PaperWordsAndOrientation) {
  const std::string a4 = "\\psz9\\paperw11909\\paperh16834\\margl";
  const std::string a4_side = "\\psz9\\paperw16834\\paperh11909\\margl";
  const struct {
    const char* paper;
    std::uint8_t landscape;
    std::string words;
  } cases[] = {
      {"A4", 0, a4},
      {"A4", 1, a4_side},
      {"A5", 0, "\\psz11\\paperw8395\\paperh11909\\margl"},
      {"A5  ", 1, "\\psz11\\paperw11909\\paperh8395\\margl"},
      {"Letter", 0, "\\psz1\\paperw12270\\paperh15880\\margl"},
      {"Letter", 1, "\\psz1\\paperw15880\\paperh12270\\margl"},
      {"a5", 0, a4},
      {" A5", 0, a4},
      {"", 0, a4},
      {"Legal", 1, a4_side},
  };
  for (const auto& c : cases) {
    request_.paper_name = c.paper;
    request_.landscape = c.landscape;
    const std::string doc = Write();
    SCOPED_TRACE(testing::Message() << '"' << c.paper << "\" " << +c.landscape);
    EXPECT_EQ(Count(doc, c.words), 1u);
    EXPECT_EQ(Count(doc, "\\sectd \\lndscpsxn\r\n"), c.landscape);
    EXPECT_EQ(Count(doc, "\\sectd \r\n"), 1u - c.landscape);
  }
}

TEST_F(RtfWriterTest, ScaleWords) {
  const struct {
    std::uint8_t scale;
    const char* words;
  } cases[] = {
      {0, "\\picscalex100\\picscaley100\\piccropl0"},
      {75, "\\picscalex75\\picscaley75\\piccropl0"},
      {255, "\\picscalex255\\picscaley255\\piccropl0"},
  };
  for (const auto& c : cases) {
    request_.scale_percent = c.scale;
    EXPECT_EQ(Count(Write(2), c.words), 2u) << +c.scale;
  }
}

TEST_F(RtfWriterTest, OneTagPerDocumentDrawnInRange) {
  env_.QueueRandom(1300000001);
  env_.QueueRandom(1300000002);
  env_.QueueRandom(1);            // below the range
  env_.QueueRandom(99999999999);  // above it
  const struct {
    int pages;
    const char* tag;
  } cases[] = {{3, "1300000001"},
               {1, "1300000002"},
               {1, "1111111111"},
               {1, "1410065407"}};
  for (const auto& c : cases) {
    const std::string doc = Write(c.pages);
    const std::string tag(c.tag);
    EXPECT_EQ(Count(doc, "\\bliptag" + tag + "\\blipupi-58"), c.pages) << tag;
    EXPECT_EQ(Count(doc, "\\blipuid b09f3721717b6ae0a7a87d" + tag + "}"),
              c.pages)
        << tag;
    EXPECT_EQ(Count(doc, "\\bliptag"), c.pages);
  }
}

TEST_F(RtfWriterTest, NoPagesTouchesNothing) {
  env_.PutFile(kRtfPath, "earlier");
  request_.page_count = 0;
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 2);
  EXPECT_EQ(env_.FileContents(kRtfPath), "earlier");
  request_.rtf_path = "/w/KQ/new.RTF";
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 2);
  EXPECT_FALSE(env_.FileExists("/w/KQ/new.RTF"));
}

TEST_F(RtfWriterTest, UncreatableDocumentGivesTwo) {
  PutPage(1, "x");
  request_.rtf_path = "/w/missing/5.RTF";
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 2);

  env_.PutFile(kRtfPath, "held by another program");
  env_.HoldForWriting(kRtfPath);
  request_.rtf_path = kRtfPath;
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 2);
  EXPECT_EQ(env_.FileContents(kRtfPath), "held by another program");
}

TEST_F(RtfWriterTest, MissingPageEndsDocumentInsideItsGroup) {
  env_.QueueRandom(1234567890);
  PutPage(1, "\x01");
  PutPage(3, "\x03");
  request_.page_count = 3;
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 1);
  const std::string head = PageHeadA4("1234567890");
  EXPECT_EQ(env_.FileContents(kRtfPath),
            kHeaderA4 + head + "01" + kSeparator + head);

  // A page another program is writing cannot be read either.
  PutPage(2, "\x02");
  env_.HoldForWriting(PageFilePath(state_, 2));
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 1);
}

TEST_F(RtfWriterTest, ReadErrorEndsOnlyThatPage) {
  std::mt19937 rng(11);
  const std::string page1 = RandomBytes(200, rng);
  PutPage(1, page1);
  PutPage(2, "\xAB");
  env_.FailReadsAfter(PageFilePath(state_, 1), 22 + 100);
  request_.page_count = 2;
  ASSERT_EQ(MakeRTFFile(env_, state_, request_), 0);
  const std::string doc = env_.FileContents(kRtfPath);
  EXPECT_NE(doc.find("}\r\n" + ReferenceHex(page1.substr(0, 100)) + kSeparator +
                     " {\\pict"),
            std::string::npos);
  EXPECT_NE(doc.find("}\r\nAB" + kSeparator + kEnd), std::string::npos);
}

TEST_F(RtfWriterTest, FailedWriteGivesTwoAndRemovesTheBrokenDocument) {
  std::mt19937 rng(5);
  PutPage(1, RandomBytes(100000, rng));
  PutPage(2, "\x01");
  // Room for the page files and a part of the document only.
  env_.SetDiskCapacity(2 * (100000 + 22 + 1) + 70000);
  request_.page_count = 2;
  EXPECT_EQ(MakeRTFFile(env_, state_, request_), 2);
  EXPECT_FALSE(env_.FileExists(kRtfPath));
}

// WriteMetafileHex on its own, into a document file.
class MetafileHexTest : public ::testing::Test {
 protected:
  std::string Hex(const std::string& file_data) {
    env_.PutFile("/w/p.WMF", file_data);
    std::unique_ptr<WritableFile> file;
    EXPECT_EQ(env_.CreateForWriting("/w/doc.rtf", &file), kOk);
    BufferedWriter out(std::move(file));
    EXPECT_EQ(WriteMetafileHex(env_, "/w/p.WMF  ", out), 0);
    EXPECT_EQ(out.Close(), kOk);
    return env_.FileContents("/w/doc.rtf");
  }

  MemEnv env_;
};

TEST_F(MetafileHexTest, LineEnds) {
  const std::string line(128, '0');
  const struct {
    std::size_t size;
    std::string expected;
  } cases[] = {
      {0, ""},
      {10, ""},
      {22, ""},
      {23, "00"},
      {22 + 64, line + "\r\n"},
      {22 + 65, line + "\r\n00"},
      {22 + 128, line + "\r\n" + line + "\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(std::string(c.size, '\0')), c.expected) << c.size;
  }
  EXPECT_EQ(Hex(kPlaceable + std::string("\x09\x7F\x80\xFE", 4)), "097F80FE");
}

TEST_F(MetafileHexTest, MatchesSimpleWriterAcrossBlockBoundaries) {
  std::mt19937 rng(42);
  for (std::size_t size : {65535u, 65536u, 65537u, 65536u + 22u, 65536u + 23u,
                           131072u + 64u, 3u * 1024u * 1024u + 5u}) {
    const std::string data = RandomBytes(size, rng);
    EXPECT_EQ(Hex(data), ReferenceHex(data.substr(22))) << size;
  }
}

TEST_F(MetafileHexTest, ReadsInBlocks) {
  std::mt19937 rng(1);
  const std::string data = RandomBytes(4 * 1024 * 1024, rng);
  const std::uint64_t reads = env_.read_calls();
  Hex(data);
  EXPECT_LE(env_.read_calls() - reads, 65u);
  EXPECT_LE(env_.append_calls(), 140u);  // 8.4 MB of hex text
}

TEST_F(MetafileHexTest, UnopenablePageWritesNothing) {
  env_.PutFile("/w/held.WMF", kPlaceable + "data");
  env_.HoldForWriting("/w/held.WMF");
  std::unique_ptr<WritableFile> file;
  ASSERT_EQ(env_.CreateForWriting("/w/doc.rtf", &file), kOk);
  BufferedWriter out(std::move(file));
  EXPECT_EQ(WriteMetafileHex(env_, "/w/missing.WMF", out), 1);
  EXPECT_EQ(WriteMetafileHex(env_, "/w/held.WMF", out), 1);
  EXPECT_EQ(out.Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/doc.rtf"), "");
}

}  // namespace
}  // namespace vellaro
