#include "mail/bodies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/mail_test_util.h"

namespace vellaro {
namespace {

using testing::Crlf;
using testing::Written;

// ---- The page lines, spelled out ----

const std::string kDownArrow =
    R"(<IMG alt=3D"" hspace=3D0=20src=3D"cid:d" align=3Dright=20border=3D0></A>)";
const std::string kDownArrowAndBreaks = kDownArrow + "<BR><BR>";
const std::string kUpArrowAndBreaks =
    R"(<IMG alt=3D"" hspace=3D0=20src=3D"cid:u" align=3Dright=20border=3D0></A><BR><BR>)";

std::string Anchor(int page, int target) {
  return "<A name=3D\"" + std::to_string(page) + "\"></A><A href=3D\"#" +
         std::to_string(target) + "\">";
}
std::string Link(int target) {
  return "<A href=3D\"#" + std::to_string(target) + "\">";
}
std::string Plain(int page) {
  return "<IMG alt=3D\"\" hspace=3D0=20src=3D\"cid:" + std::to_string(page) +
         "\" align=3Dbaseline=20border=3D0><BR>";
}
// The three lines of a picture with explicit sizes.
std::string Sized(int page, int width, int height) {
  return "<IMG height=3D" + std::to_string(height) + " =\r\n" +
         "src=3D\"cid:" + std::to_string(page) + "\" width=3D" +
         std::to_string(width) + "=20\r\n" + "border=3D0><BR>";
}

EmlParams A4Pages(int page_count, std::uint8_t scale_percent) {
  EmlParams params;
  params.page_count = static_cast<std::uint8_t>(page_count);
  params.scale_percent = scale_percent;
  params.page_width = 8270;
  params.page_height = 11530;
  params.up_image = "up.gif";
  params.down_image = "down.gif";
  return params;
}

std::string AllPageLines(const EmlParams& params) {
  return Written([&](LineWriter& out) {
    for (int page = 1; page <= params.page_count; ++page) {
      WritePageLines(page, params, ComputePictureSize(params), out);
    }
  });
}

TEST(PictureSizeTest, ExactArithmetic) {
  const struct {
    std::int32_t width, height;
    std::uint8_t scale, landscape;
    std::int64_t w, h;
  } cases[] = {
      {8270, 11530, 50, 0, 396, 553},  // 793 x 1106 halved
      {8270, 11530, 50, 1, 553, 422},  // 1106 x 845 halved
      {8270, 11530, 0, 0, 793, 1106},  // 0 is full size
      {8270, 11530, 100, 0, 793, 1106},
      {8270, 11530, 0, 1, 1106, 845},  // 793 x 1.0664 = 845.65
      {1000, 10000, 255, 0, 244, 2448},
      {13021, 2500, 100, 1, 240, 1333},  // 1250 x 1.0664 is exactly 1333
      {0, 0, 50, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EmlParams params;
    params.page_width = c.width;
    params.page_height = c.height;
    params.scale_percent = c.scale;
    params.landscape = c.landscape;
    PictureSize size = ComputePictureSize(params);
    EXPECT_EQ(size.width, c.w) << c.width << "x" << c.height << " " << +c.scale;
    EXPECT_EQ(size.height, c.h)
        << c.width << "x" << c.height << " " << +c.scale;
  }
}

TEST(SoundLoopCountTest, ExactWordsOnly) {
  const struct {
    const char* word;
    int count;
  } cases[] = {
      {"Once", 1},    {"Twice  ", 2}, {"Three times", 3}, {"Forever", -1},
      {"forever", 0}, {"", 0},        {" Once", 0},       {"Three", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SoundLoopCount(c.word), c.count) << "'" << c.word << "'";
  }
}

TEST(PageLinesTest, NavigationAndPictures) {
  const struct {
    EmlParams params;
    std::string expected;
  } cases[] = {
      {A4Pages(1, 100), Crlf({Plain(1)})},
      {A4Pages(3, 100),
       Crlf({Anchor(1, 2), kDownArrowAndBreaks, Plain(1),  //
             Anchor(2, 3), kDownArrow, Link(1), kUpArrowAndBreaks, Plain(2),
             Anchor(3, 2), kUpArrowAndBreaks, Plain(3)})},
      {A4Pages(2, 50),
       Crlf({Anchor(1, 2), kDownArrowAndBreaks, Sized(1, 396, 553),
             Anchor(2, 1), kUpArrowAndBreaks, Sized(2, 396, 553)})},
      {A4Pages(4, 0),
       Crlf({Anchor(1, 2), kDownArrowAndBreaks, Sized(1, 793, 1106),
             Anchor(2, 3), kDownArrow, Link(1), kUpArrowAndBreaks,
             Sized(2, 793, 1106), Anchor(3, 4), kDownArrow, Link(2),
             kUpArrowAndBreaks, Sized(3, 793, 1106), Anchor(4, 3),
             kUpArrowAndBreaks, Sized(4, 793, 1106)})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AllPageLines(c.params), c.expected)
        << +c.params.page_count << " pages at " << +c.params.scale_percent;
  }
}

TEST(PageLinesTest, NoNavigationWithoutBothArrows) {
  EmlParams up_blank = A4Pages(3, 50);
  up_blank.up_image = "";
  EmlParams down_spaces = A4Pages(2, 100);
  down_spaces.down_image = "   ";
  EXPECT_EQ(AllPageLines(up_blank),
            Crlf({Sized(1, 396, 553), Sized(2, 396, 553), Sized(3, 396, 553)}));
  EXPECT_EQ(AllPageLines(down_spaces), Crlf({Plain(1), Plain(2)}));
}

// The lines before and after the variable part of the HTML.
const std::string kBodyStart = Crlf({
    "This is a multi-part message in MIME format.",
    "",
    "------=_1_",
    "Content-Type: multipart/alternative;",
    "    boundary=\"----=_2_\"",
    "",
    "------=_2_",
    "Content-Type: text/plain;",
    "    charset=\"iso-8859-1\"",
    "Content-Transfer-Encoding: quoted-printable",
    "",
    "------=_2_",
    "Content-Type: text/HTML;",
    "    charset=\"iso-8859-1\"",
    "Content-Transfer-Encoding: quoted-printable",
    "",
    "",
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
    "<HTML><HEAD>",
    "<META http-equiv=3DContent-Type content=3D\"text/HTML; =",
    "charset=3Diso-8859-1\">",
    "<META content=3D\"MSHTML 5.50.4134.100\" name=3DGENERATOR>",
});
const std::string kBodyEnd =
    Crlf({"</FONT></DIV></BODY></HTML>", "", "------=_2_--", "", ""});

std::string Bodies(const EmlParams& params, const AppState& state) {
  return Written([&](LineWriter& out) {
    WriteBodies(params, state, ComputePictureSize(params), out);
  });
}

TEST(BodiesTest, SoundTextBlockAndNoPages) {
  EmlParams params = A4Pages(2, 50);
  params.content_mode = 2;
  params.sound_file = "chime.wav";
  params.sound_loop = "Forever";
  params.bg_color = 0x0000FF;
  params.font_face = "Arial Narrow  ";
  params.font_size = 2;
  params.font_color = -1;
  AppState state;
  state.message_text = {"Dear customer,  ", "a=b \xE9t\xE9", ""};
  EXPECT_EQ(Bodies(params, state),
            kBodyStart +
                Crlf({
                    "<BGSOUND =",
                    "balance=3D0=20",
                    "loop=3D-1 src=3D\"cid:sf\" =",
                    "volume=3D0>",
                    "<STYLE></STYLE></HEAD><BODY bgColor=3D#FF0000>",
                    "<FONT face=3DArial Narrow size=3D2 "
                    "color=3D#000000>",
                    "Dear customer,<br>",
                    "a=b \xE9t\xE9<br>",
                    "<br>",
                    "</FONT>",
                    "<DIV><FONT face=3DArial size=3D1>",
                }) +
                kBodyEnd);
}

TEST(BodiesTest, PlainBodyWithPages) {
  EmlParams params = A4Pages(1, 100);
  params.content_mode = 4;
  params.sound_file = "  ";
  AppState state;
  EXPECT_EQ(Bodies(params, state),
            kBodyStart +
                Crlf({
                    "<STYLE></STYLE></HEAD><BODY bgColor=3D#FFFFFF>",
                    "<DIV><FONT face=3DArial size=3D1>",
                    Plain(1),
                }) +
                kBodyEnd);
}

TEST(BodiesTest, ColourTexts) {
  const struct {
    std::int32_t bg_color, font_color;
    const char* body_line;
    const char* font_line;
  } cases[] = {
      {0, 0, "bgColor=3D#FFFFFF>", "color=3D#000000>"},
      {-5, -5, "bgColor=3D#FFFFFF>", "color=3D#000000>"},
      {0x123456, 0x00FF00, "bgColor=3D#563412>", "color=3D#00FF00>"},
      {1, 0xFF0000, "bgColor=3D#010000>", "color=3D#0000FF>"},
  };
  AppState state;
  state.message_text = {"x"};
  for (const auto& c : cases) {
    EmlParams params = A4Pages(1, 100);
    params.bg_color = c.bg_color;
    params.font_color = c.font_color;
    std::string body = Bodies(params, state);
    EXPECT_NE(body.find(std::string(c.body_line) + "\r\n"), std::string::npos)
        << c.bg_color;
    EXPECT_NE(body.find(std::string(c.font_line) + "\r\n"), std::string::npos)
        << c.font_color;
  }
}

TEST(BodiesTest, PagesShownOnlyInModesZeroAndFour) {
  AppState state;
  for (int mode : {0, 1, 2, 3, 4, 5, 6, 255}) {
    EmlParams params = A4Pages(2, 100);
    params.content_mode = static_cast<std::uint8_t>(mode);
    bool shown = Bodies(params, state).find("cid:1") != std::string::npos;
    EXPECT_EQ(shown, mode == 0 || mode == 4) << "mode " << mode;
  }
}

}  // namespace
}  // namespace vellaro
