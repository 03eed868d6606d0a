#include "shell/by_name_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/make_eml_file.h"
#include "runtime/mem_env.h"

namespace vellaro {
namespace {

TEST(ByNameEntryTest, EveryTextReachesItsOwnParameter) {
  std::vector<std::string> texts;
  for (int k = 1; k <= 27; ++k) texts.push_back(std::to_string(k) + " ");
  EmlParams p = EmlParamsFromTexts(texts);

  EXPECT_EQ(p.eml_file_name, "1 ");
  EXPECT_EQ(p.page_count, 2);
  EXPECT_EQ(p.mail_to, "3 ");
  EXPECT_EQ(p.mail_subject, "4 ");
  EXPECT_EQ(p.bg_color, 5);
  EXPECT_EQ(p.scale_percent, 6);
  EXPECT_EQ(p.mail_cc, "7 ");
  EXPECT_EQ(p.mail_bcc, "8 ");
  EXPECT_EQ(p.no_rtf, 9);
  EXPECT_EQ(p.rtf_name, "10 ");
  EXPECT_EQ(p.rtf_copy_folder, "11 ");
  EXPECT_EQ(p.up_image, "12 ");
  EXPECT_EQ(p.down_image, "13 ");
  EXPECT_EQ(p.font_face, "14 ");
  EXPECT_EQ(p.font_size, 15);
  EXPECT_EQ(p.font_color, 16);
  EXPECT_EQ(p.content_mode, 17);
  EXPECT_EQ(p.left_margin, 18);
  EXPECT_EQ(p.top_margin, 19);
  EXPECT_EQ(p.page_width, 20);
  EXPECT_EQ(p.page_height, 21);
  EXPECT_EQ(p.sound_file, "22 ");
  EXPECT_EQ(p.sound_loop, "23 ");
  EXPECT_EQ(p.priority, "24 ");
  EXPECT_EQ(p.landscape, 25);
  EXPECT_EQ(p.paper_name, "26 ");
  EXPECT_EQ(p.mail_from, "27 ");
}

TEST(ByNameEntryTest, NumericTextsConvertByWidth) {
  std::vector<std::string> texts(27);
  texts[1] = "300";      // PageCount, small
  texts[4] = "-1";       // BgColor, whole
  texts[5] = "+3";       // ScalePercent: a plus sign gives 0
  texts[19] = "1,000";   // PageWidth: the comma starts a fraction
  texts[20] = "8270.5";  // PageHeight
  texts[24] = "-1";      // Landscape, small
  texts[15] = "0FFH";    // FontColor: no radix forms here
  EmlParams p = EmlParamsFromTexts(texts);
  EXPECT_EQ(p.page_count, 44);
  EXPECT_EQ(p.bg_color, -1);
  EXPECT_EQ(p.scale_percent, 0);
  EXPECT_EQ(p.page_width, 1);
  EXPECT_EQ(p.page_height, 8270);
  EXPECT_EQ(p.landscape, 255);
  EXPECT_EQ(p.font_color, 0);
}

TEST(ByNameEntryTest, MissingTextsAreEmptyAndExtraOnesIgnored) {
  std::vector<std::string> one = {"only"};
  EmlParams p = EmlParamsFromTexts(one);
  EXPECT_EQ(p.eml_file_name, "only");
  EXPECT_EQ(p.page_count, 0);
  EXPECT_EQ(p.mail_from, "");

  std::vector<std::string> many(30, "9");
  EXPECT_EQ(EmlParamsFromTexts(many).mail_from, "9");
}

TEST(ByNameEntryTest, CallsTheBuilderOnceThroughTheBinding) {
  MemEnv env;
  AppState state;
  state.work_folder = "/w\\KQ\\";
  env.PutFolder("/w/KQ");
  BindingScope scope;
  BindMakeEMLFileSW(scope, env, state);

  // Without a page count the builder has nothing to do and writes nothing.
  EXPECT_EQ(scope.Evaluate("makeemlfilesw('out.eml')"),
            std::to_string(kEmlNotWritten));
  EXPECT_FALSE(env.FileExists("/w/out.eml"));

  env.PutFile("/w/KQ/01.WMF", std::string(40, '\0'));
  std::string result = scope.Evaluate(
      "MAKEEMLFILESW('out.eml', 1, '', '', "
      "0, 100, '', '', 1, '', '', '', '', '', "
      "0, 0, 1)");
  EXPECT_FALSE(result.empty());
  EXPECT_TRUE(env.FileExists("/w/out.eml"));

  // A 28th argument is refused before the builder is reached.
  std::string call = "MakeEMLFileSW('big.eml'";
  for (int k = 2; k <= 28; ++k) call += ",1";
  EXPECT_EQ(scope.Evaluate(call + ")"), "");
  EXPECT_FALSE(env.FileExists("/w/big.eml"));
}

}  // namespace
}  // namespace vellaro
