#include "mail/parts.h"

#include <gtest/gtest.h>

#include <string>

#include "mail/arrows.h"
#include "mail/mail_test_util.h"

namespace vellaro {
namespace {

using testing::Base64Lines;
using testing::Crlf;
using testing::MessageTest;
using testing::SomeBytes;

std::string BuiltIn(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

TEST(BareFileNameTest, AfterTheLastSeparator) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"C:\\Docs\\May\\terms.pdf", "terms.pdf"},
      {"/home/ann/terms.pdf", "terms.pdf"},
      {"terms.pdf", "terms.pdf"},
      {"C:\\Docs\\", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(BareFileName(c.path), c.name);
}

TEST(RtfWorkFilePathTest, WorkFolderInstanceAndExtension) {
  AppState state;
  state.work_folder = "C:\\App\\KQ\\   ";
  state.instance = 57;
  EXPECT_EQ(RtfWorkFilePath(state), "C:\\App\\KQ\\57.RTF");
}

using PartsTest = MessageTest;

TEST_F(PartsTest, UnreadableArrowIsReplacedByTheBuiltInOne) {
  PutPages(2);
  env_.PutFile("/w/down.gif", "GIF89a down");
  params_.up_image = "/w/missing.gif";
  params_.down_image = "/w/down.gif  ";
  params_.content_mode = 4;
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_TRUE(
      Has(Crlf({"    name=\"u.gif\"", "Content-Transfer-Encoding: base64",
                "Content-ID: <u>", ""}) +
          BuiltIn(BuiltInUpArrow()) +
          Crlf({"------=_1_", "Content-Type: application/octet-stream;",
                "    name=\"d.gif\"", "Content-Transfer-Encoding: base64",
                "Content-ID: <d>", ""}) +
          Base64Lines("GIF89a down") + "\r\n------=_1_--\r\n"))
      << eml_;

  env_.DeleteFile("/w/down.gif");
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_TRUE(Has("Content-ID: <d>\r\n\r\n" + BuiltIn(BuiltInDownArrow()) +
                  "\r\n------=_1_--\r\n"));
}

TEST_F(PartsTest, NoArrowPartsForOnePage) {
  PutPages(1);
  params_.up_image = "/w/up.gif";
  params_.down_image = "/w/down.gif";
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_FALSE(Has("u.gif"));
  EXPECT_FALSE(Has("d.gif"));
}

TEST_F(PartsTest, UnreadableSoundKeepsItsHeadersOnly) {
  PutPages(1);
  params_.content_mode = 1;
  params_.sound_file = "/w/missing.wav";
  state_.attachments = {"/w/a.txt"};
  env_.PutFile("/w/a.txt", "a");
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_TRUE(eml_.ends_with(
      "------=_2_--\r\n\r\n\r\n" +
      Crlf({"------=_1_", "Content-Type: audio/basic;", "    name=\"snd.wav\"",
            "Content-Transfer-Encoding: base64", "Content-ID: <sf>", "",
            "------=_1_", "Content-Type: application/octet-stream;",
            "    name=\"a.txt\"", "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment;", "    filename=\"a.txt\"", ""}) +
      Base64Lines("a") + Crlf({"", "", "------=_1_--"})))
      << eml_;
}

TEST_F(PartsTest, FailedRtfDocumentIsLeftOut) {
  PutPages(2);
  params_.rtf_copy_folder = "/w/saved";
  env_.FailOpen("/w/KQ/5.RTF", kAccessDenied);
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_FALSE(Has("Report.RTF"));
  EXPECT_FALSE(Has("Content-Disposition"));
  EXPECT_TRUE(Has("Content-ID: <2>"));
  EXPECT_FALSE(env_.FileExists("/w/KQ/Report.RTF"));
  EXPECT_FALSE(env_.FolderExists("/w/saved"));

  // A missing page leaves the document incomplete: it is not attached
  // either, and the run stops at that page's part.
  env_.FailOpen("/w/KQ/5.RTF", kOk);
  env_.DeleteFile(PagePath(2));
  EXPECT_EQ(Run(), kEmlUnreadable);
  EXPECT_FALSE(Has("Report.RTF"));
  EXPECT_TRUE(eml_.ends_with("Content-ID: <2>\r\n\r\n"));
}

// The document's data goes into the message while the document is written.
// When a page turns out missing after megabytes of it, all of that is
// taken back out: the message is the one a run without a document gives.
TEST_F(PartsTest, DocumentFailingLateLeavesNothingInTheMessage) {
  PutPages(3);
  for (int page = 1; page <= 2; ++page) {
    env_.PutFile(PagePath(page), SomeBytes(1 << 20, page));
  }
  env_.DeleteFile(PagePath(3));
  EXPECT_EQ(Run(), kEmlUnreadable);
  const std::string failed = eml_;
  EXPECT_GT(env_.FileContents("/w/KQ/5.RTF").size(), 4u << 20);
  EXPECT_FALSE(env_.FileExists("/w/KQ/Report.RTF"));

  params_.no_rtf = 1;
  EXPECT_EQ(Run(), kEmlUnreadable);
  EXPECT_EQ(failed, eml_);
  EXPECT_TRUE(eml_.ends_with("Content-ID: <3>\r\n\r\n"));
}

// A disk too small for the document: the message and the document grow
// together, and whichever of them meets the full disk first, the message
// ends up as the one a run without a document gives.
TEST_F(PartsTest, DiskTooSmallForTheDocumentLeavesItOut) {
  PutPages(2);
  for (int page = 1; page <= 2; ++page) {
    env_.PutFile(PagePath(page), SomeBytes(1 << 20, page));
  }
  params_.no_rtf = 1;
  ASSERT_EQ(Run(), kEmlDone);
  const std::string without_document = eml_;
  env_.DeleteFile(kMessagePath);

  params_.no_rtf = 0;
  for (std::uint64_t slack : {1u << 20, 3u << 19, 2u << 20}) {
    env_.SetDiskCapacity((2u << 20) + without_document.size() + slack);
    EXPECT_EQ(Run(), kEmlDone) << slack;
    EXPECT_EQ(eml_, without_document) << slack;
    EXPECT_FALSE(env_.FileExists("/w/KQ/5.RTF")) << slack;
    env_.DeleteFile(kMessagePath);
  }
}

TEST_F(PartsTest, RtfCopiesLandInBothFolders) {
  PutPages(1);
  params_.rtf_name = "May report  ";
  params_.rtf_copy_folder = "/w/saved/2026\\May  ";  // missing, no separator
  EXPECT_EQ(Run(), kEmlDone);
  const std::string rtf = env_.FileContents("/w/KQ/5.RTF");
  ASSERT_FALSE(rtf.empty());
  EXPECT_EQ(env_.FileContents("/w/saved/2026/May/May report.RTF"), rtf);
  EXPECT_EQ(env_.FileContents("/w/KQ/May report.RTF"), rtf);
  EXPECT_TRUE(Has(
      Crlf({"    name=\"May report.RTF\"", "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment;",
            "    filename=\"May report.RTF\"", ""}) +
      Base64Lines(rtf) + "\r\n------=_1_\r\n"));

  // An existing copy is replaced; a folder given with its separator works
  // the same.
  env_.PutFile("/w/saved/2026/May/May report.RTF", "old");
  params_.rtf_copy_folder = "/w/saved/2026/May/";
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_EQ(env_.FileContents("/w/saved/2026/May/May report.RTF"),
            env_.FileContents("/w/KQ/5.RTF"));
}

TEST_F(PartsTest, AttachmentsTravelUnderTheirBareNames) {
  PutPages(1);
  env_.set_current_directory("/w");
  env_.PutFile("/w/a/notes.txt", "first");
  env_.PutFile("/w/b/notes.txt", "second");
  env_.PutFile("/w/plain.txt", "plain");
  state_.attachments = {"/w/a/notes.txt", "/w\\b\\notes.txt  ", "plain.txt"};
  EXPECT_EQ(Run(), kEmlDone);
  const std::string headers_end =
      "Content-Disposition: attachment;\r\n    filename=\"notes.txt\"\r\n\r\n";
  EXPECT_TRUE(Has(headers_end + Base64Lines("first") + "\r\n------=_1_\r\n"));
  EXPECT_TRUE(Has(headers_end + Base64Lines("second") + "\r\n------=_1_\r\n"));
  EXPECT_TRUE(Has("    filename=\"plain.txt\"\r\n\r\n" + Base64Lines("plain") +
                  "\r\n\r\n------=_1_--\r\n"));
  // The work copies are gone; the files themselves stay.
  EXPECT_FALSE(env_.FileExists("/w/KQ/notes.txt"));
  EXPECT_FALSE(env_.FileExists("/w/KQ/plain.txt"));
  EXPECT_EQ(env_.FileContents("/w/b/notes.txt"), "second");
  EXPECT_EQ(env_.restore_pointer_calls(), 0);
}

TEST_F(PartsTest, UnreadableAttachmentEndsTheMessage) {
  PutPages(1);
  state_.attachments = {"/w/missing.pdf", "/w/never.txt"};
  env_.PutFile("/w/never.txt", "n");
  EXPECT_EQ(Run(), kEmlUnreadable);
  EXPECT_TRUE(eml_.ends_with(
      Crlf({"------=_1_", "Content-Type: application/octet-stream;",
            "    name=\"missing.pdf\"", "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment;", "    filename=\"missing.pdf\"",
            ""})));
  EXPECT_EQ(env_.restore_pointer_calls(), 1);
  EXPECT_FALSE(env_.FileExists("/w/KQ/missing.pdf"));
  EXPECT_FALSE(Has("never.txt"));
  EXPECT_TRUE(MessageClosed());
}

// Only a work copy the builder made is read and deleted: a file already in
// the work folder is attached and kept, and a stray file there is never
// passed off as a missing attachment.
TEST_F(PartsTest, FilesInTheWorkFolderAreKept) {
  PutPages(1);
  env_.PutFile("/w/KQ/kept.txt", "kept");
  state_.attachments = {"/w/KQ/kept.txt"};
  EXPECT_EQ(Run(), kEmlDone);
  EXPECT_TRUE(Has("    filename=\"kept.txt\"\r\n\r\n" + Base64Lines("kept")));
  EXPECT_EQ(env_.FileContents("/w/KQ/kept.txt"), "kept");

  env_.PutFile("/w/KQ/stray.txt", "stray");
  state_.attachments = {"/w/elsewhere/stray.txt"};
  EXPECT_EQ(Run(), kEmlUnreadable);
  EXPECT_FALSE(Has(Base64Lines("stray")));
  EXPECT_EQ(env_.FileContents("/w/KQ/stray.txt"), "stray");
}

}  // namespace
}  // namespace vellaro
