#include "mail/make_eml_file.h"

#include <gtest/gtest.h>

#include <string>

#include "mail/mail_test_util.h"

namespace vellaro {
namespace {

using testing::Base64Lines;
using testing::Crlf;
using testing::MessageTest;
using testing::SomeBytes;

using MakeEMLFileTest = MessageTest;

// A whole message with every section in it, spelled out line by line.
TEST_F(MakeEMLFileTest, WholeMessage) {
  PutPages(2);
  const std::string page1 = SomeBytes(114, 1);  // two full lines, then empty
  const std::string page2 = SomeBytes(130, 2);
  env_.PutFile(PagePath(1), page1);
  env_.PutFile(PagePath(2), page2);
  const std::string up = SomeBytes(20, 3);
  const std::string down = SomeBytes(21, 4);
  const std::string sound = SomeBytes(58, 5);
  const std::string terms = "Terms and conditions\r\n";
  env_.PutFile("/w/art/up.gif", up);
  env_.PutFile("/w/art/down.gif", down);
  env_.PutFile("/w/chime.wav", sound);
  env_.PutFile("/w/docs/terms.txt", terms);
  state_.message_text = {"Dear customer,", "please find the report below."};
  state_.attachments = {"/w/docs/terms.txt"};
  params_.mail_from = "Reports <reports@example.com>";
  params_.mail_to = "ann@example.com, bob@example.com";
  params_.mail_cc = "boss@example.com";
  params_.mail_subject = "Goods report";
  params_.scale_percent = 50;
  params_.up_image = "/w/art/up.gif";
  params_.down_image = "/w/art/down.gif";
  params_.font_face = "Arial";
  params_.font_size = 2;
  params_.sound_file = "/w/chime.wav";
  params_.sound_loop = "Twice";
  params_.priority = "Low";

  ASSERT_EQ(Run(), kEmlDone);
  const std::string rtf = env_.FileContents("/w/KQ/5.RTF");
  ASSERT_FALSE(rtf.empty());

  const std::string expected =
      Crlf({
          "From: Reports <reports@example.com>",
          "To: ann@example.com,",
          "     bob@example.com",
          "Cc: boss@example.com",
          "Subject: Goods report",
          "Date:",
          "MIME-Version:",
          "Content-Type: multipart/related;",
          "    type=\"multipart/alternative\";",
          "    boundary=\"----=_1_\"",
          "X-Priority: 5",
          "X-MSMail-Priority: Low",
          "X-Unsent: 1",
          "X-MimeOLE:",
          "",
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
          "<BGSOUND =",
          "balance=3D0=20",
          "loop=3D2 src=3D\"cid:sf\" =",
          "volume=3D0>",
          "<STYLE></STYLE></HEAD><BODY bgColor=3D#FFFFFF>",
          "<FONT face=3DArial size=3D2 color=3D#000000>",
          "Dear customer,<br>",
          "please find the report below.<br>",
          "</FONT>",
          "<DIV><FONT face=3DArial size=3D1>",
          "<A name=3D\"1\"></A><A href=3D\"#2\">",
          "<IMG alt=3D\"\" hspace=3D0=20src=3D\"cid:d\" "
          "align=3Dright=20border=3D0></A><BR><BR>",
          "<IMG height=3D553 =",
          "src=3D\"cid:1\" width=3D396=20",
          "border=3D0><BR>",
          "<A name=3D\"2\"></A><A href=3D\"#1\">",
          "<IMG alt=3D\"\" hspace=3D0=20src=3D\"cid:u\" "
          "align=3Dright=20border=3D0></A><BR><BR>",
          "<IMG height=3D553 =",
          "src=3D\"cid:2\" width=3D396=20",
          "border=3D0><BR>",
          "</FONT></DIV></BODY></HTML>",
          "",
          "------=_2_--",
          "",
          "",
          "------=_1_",
          "Content-Type: application/octet-stream;",
          "    name=\"Report.RTF\"",
          "Content-Transfer-Encoding: base64",
          "Content-Disposition: attachment;",
          "    filename=\"Report.RTF\"",
          "",
      }) +
      Base64Lines(rtf) + "\r\n" +
      Crlf({
          "------=_1_",
          "Content-Type: application/octet-stream;",
          "    name=\"1.WMF\"",
          "Content-Transfer-Encoding: base64",
          "Content-ID: <1>",
          "",
      }) +
      Base64Lines(page1) + "\r\n" +
      Crlf({
          "------=_1_",
          "Content-Type: application/octet-stream;",
          "    name=\"2.WMF\"",
          "Content-Transfer-Encoding: base64",
          "Content-ID: <2>",
          "",
      }) +
      Base64Lines(page2) + "\r\n" +
      Crlf({
          "------=_1_",
          "Content-Type: application/octet-stream;",
          "    name=\"u.gif\"",
          "Content-Transfer-Encoding: base64",
          "Content-ID: <u>",
          "",
      }) +
      Base64Lines(up) +
      Crlf({
          "------=_1_",
          "Content-Type: application/octet-stream;",
          "    name=\"d.gif\"",
          "Content-Transfer-Encoding: base64",
          "Content-ID: <d>",
          "",
      }) +
      Base64Lines(down) +
      Crlf({
          "------=_1_",
          "Content-Type: audio/basic;",
          "    name=\"snd.wav\"",
          "Content-Transfer-Encoding: base64",
          "Content-ID: <sf>",
          "",
      }) +
      Base64Lines(sound) +
      Crlf({
          "------=_1_",
          "Content-Type: application/octet-stream;",
          "    name=\"terms.txt\"",
          "Content-Transfer-Encoding: base64",
          "Content-Disposition: attachment;",
          "    filename=\"terms.txt\"",
          "",
      }) +
      Base64Lines(terms) + Crlf({"", "", "------=_1_--"});
  EXPECT_EQ(eml_, expected);

  // What is left on disk: the RTF work file and its copy, not the work copy
  // of the attachment; the page files are untouched.
  EXPECT_EQ(env_.FileContents("/w/KQ/Report.RTF"), rtf);
  EXPECT_FALSE(env_.FileExists("/w/KQ/terms.txt"));
  EXPECT_EQ(env_.FileContents("/w/docs/terms.txt"), terms);
  EXPECT_EQ(env_.FileContents(PagePath(1)), page1);
  EXPECT_TRUE(MessageClosed());
}

TEST_F(MakeEMLFileTest, NoPagesTouchesNothing) {
  env_.PutFile(kMessagePath, "keep me");
  params_.page_count = 0;
  EXPECT_EQ(Run(), kEmlNotWritten);
  EXPECT_EQ(eml_, "keep me");
  EXPECT_FALSE(env_.FileExists("/w/KQ/5.RTF"));
}

TEST_F(MakeEMLFileTest, ReplacesAnExistingMessage) {
  PutPages(1);
  env_.PutFile(kMessagePath, std::string(100000, '~'));
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_EQ(eml_.find('~'), std::string::npos);
  EXPECT_TRUE(eml_.starts_with("To:\r\n")) << eml_;
  EXPECT_TRUE(eml_.ends_with("\r\n\r\n------=_1_--\r\n"));
}

TEST_F(MakeEMLFileTest, UnwritableMessageGivesTwo) {
  PutPages(1);
  env_.PutFile(kMessagePath, "held");
  env_.HoldForWriting(kMessagePath);
  EXPECT_EQ(Run(), kEmlNotWritten);
  EXPECT_EQ(eml_, "held");
  params_.eml_file_name = "/missing/folder/out.eml";
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
  params_.eml_file_name = "   ";
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
}

TEST_F(MakeEMLFileTest, ContentModes) {
  const struct {
    int mode;
    int no_rtf;
    bool pages;  // pictures, page parts and arrows
    bool rtf;
  } cases[] = {
      {0, 0, true, true},     {0, 1, true, false},  {1, 0, false, false},
      {2, 0, false, true},    {2, 1, false, false}, {3, 0, false, true},
      {4, 0, true, false},    {5, 0, false, true},  {6, 0, false, false},
      {255, 0, false, false},
  };
  PutPages(2);
  params_.scale_percent = 100;
  params_.up_image = "/w/missing-up.gif";
  params_.down_image = "/w/missing-down.gif";
  for (const auto& c : cases) {
    params_.content_mode = static_cast<std::uint8_t>(c.mode);
    params_.no_rtf = static_cast<std::uint8_t>(c.no_rtf);
    env_.DeleteFile("/w/KQ/5.RTF");
    SCOPED_TRACE(::testing::Message()
                 << "mode " << c.mode << " NoRTF " << c.no_rtf);
    ASSERT_EQ(Run(), kEmlDone);
    EXPECT_EQ(Has("src=3D\"cid:1\""), c.pages);
    EXPECT_EQ(Has("Content-ID: <2>"), c.pages);
    EXPECT_EQ(Has("Content-ID: <u>") && Has("Content-ID: <d>"), c.pages);
    EXPECT_EQ(Has("name=\"Report.RTF\""), c.rtf);
    EXPECT_EQ(env_.FileExists("/w/KQ/5.RTF"), c.rtf);
    if (!c.pages && !c.rtf) {
      EXPECT_TRUE(eml_.ends_with(
          "</FONT></DIV></BODY></HTML>\r\n\r\n------=_2_--\r\n\r\n\r\n"
          "\r\n------=_1_--\r\n"));
    }
  }
}

TEST_F(MakeEMLFileTest, MissingPageEndsTheMessageAfterItsHeaders) {
  PutPages(3);
  env_.DeleteFile(PagePath(2));
  params_.content_mode = 4;
  EXPECT_EQ(Run(), kEmlUnreadable);
  EXPECT_TRUE(eml_.ends_with(
      Base64Lines(PageBytes(1)) + "\r\n" +
      Crlf({"------=_1_", "Content-Type: application/octet-stream;",
            "    name=\"2.WMF\"", "Content-Transfer-Encoding: base64",
            "Content-ID: <2>", ""})))
      << eml_;
  EXPECT_TRUE(MessageClosed());
}

TEST_F(MakeEMLFileTest, ReadOnlyFilesAreEmbedded) {
  PutPages(2);
  env_.PutFile("/w/up.gif", "GIF89a up");
  env_.PutFile("/w/snd.wav", "RIFF");
  env_.SetReadOnly(PagePath(2));
  env_.SetReadOnly("/w/up.gif");
  env_.SetReadOnly("/w/snd.wav");
  params_.up_image = "/w/up.gif";
  params_.down_image = "/w/up.gif";
  params_.sound_file = "/w/snd.wav";
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_TRUE(Has("Content-ID: <2>\r\n\r\n" + Base64Lines(PageBytes(2))));
  EXPECT_TRUE(Has("Content-ID: <u>\r\n\r\n" + Base64Lines("GIF89a up")));
  EXPECT_TRUE(Has("Content-ID: <sf>\r\n\r\n" + Base64Lines("RIFF")));
}

TEST_F(MakeEMLFileTest, FullDiskGivesTwoAndLeavesNoBrokenMessage) {
  PutPages(3);
  for (int page = 1; page <= 3; ++page) {
    env_.PutFile(PagePath(page), SomeBytes(100000, page));
  }
  params_.content_mode = 4;
  params_.sound_file = "/w/snd.wav";
  env_.PutFile("/w/snd.wav", "RIFF");
  // Room for the pages and a little more, but not for the message too.
  env_.SetDiskCapacity(300000 + 4 + 50000);
  EXPECT_EQ(Run(), kEmlNotWritten);
  // The broken message is closed and removed (a held file could not be).
  EXPECT_FALSE(env_.FileExists(kMessagePath));

  // A disk that fills up while the last lines are flushed counts too.
  env_.SetDiskCapacity(UINT64_MAX);
  ASSERT_EQ(Run(), kEmlDone);
  const std::size_t whole = eml_.size();
  env_.SetDiskCapacity(300000 + 4 + whole - 1);
  EXPECT_EQ(Run(), kEmlNotWritten);
  EXPECT_FALSE(env_.FileExists(kMessagePath));
}

}  // namespace
}  // namespace vellaro
