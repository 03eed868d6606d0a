#include "mail/headers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/mail_test_util.h"

namespace vellaro {
namespace {

using testing::Crlf;
using testing::Written;

// The fixed lines from "Date:" to the priority pair.
constexpr std::string_view kMimeLines =
    "Date:\r\n"
    "MIME-Version:\r\n"
    "Content-Type: multipart/related;\r\n"
    "    type=\"multipart/alternative\";\r\n"
    "    boundary=\"----=_1_\"\r\n";

// The lines after the priority pair, up to the empty line ending the block.
constexpr std::string_view kUnsentLines =
    "X-Unsent: 1\r\n"
    "X-MimeOLE:\r\n"
    "\r\n";

std::string HeaderBlock(const EmlParams& params) {
  return Written([&](LineWriter& out) { WriteHeaderBlock(params, out); });
}

TEST(HeaderBlockTest, EveryHeaderGiven) {
  EmlParams params;
  params.mail_from = "Reports <reports@example.com>  ";
  params.mail_to = "ann@example.com,bob@example.com, cy@example.com  ";
  params.mail_cc = "boss@example.com";
  params.mail_bcc = "audit@example.com,";
  params.mail_subject = "Goods report   ";
  params.priority = "High  ";
  EXPECT_EQ(HeaderBlock(params),
            Crlf({"From: Reports <reports@example.com>", "To: ann@example.com,",
                  "    bob@example.com,", "     cy@example.com",
                  "Cc: boss@example.com", "Bcc: audit@example.com,",
                  "Subject: Goods report"}) +
                std::string(kMimeLines) +
                Crlf({"X-Priority: 1", "X-MSMail-Priority: High"}) +
                std::string(kUnsentLines));
}

TEST(HeaderBlockTest, BlankHeadersAndPriorities) {
  const struct {
    const char* from;
    const char* cc;
    const char* bcc;
    const char* priority;
    std::string expected;  // the block up to "Date:"; then the pair
    std::string pair;
  } cases[] = {
      {"", "", "", "", Crlf({"To:", "Subject:"}),
       Crlf({"X-Priority: 3", "X-MSMail-Priority: Normal"})},
      {"   ", "  ", " ", "Low", Crlf({"To:", "Subject:"}),
       Crlf({"X-Priority: 5", "X-MSMail-Priority: Low"})},
      {"me", "", "b", "high", Crlf({"From: me", "To:", "Bcc: b", "Subject:"}),
       Crlf({"X-Priority: 3", "X-MSMail-Priority: Normal"})},
      {"", "c", "", "LOW", Crlf({"To:", "Cc: c", "Subject:"}),
       Crlf({"X-Priority: 3", "X-MSMail-Priority: Normal"})},
      {"", "", "", " High", Crlf({"To:", "Subject:"}),
       Crlf({"X-Priority: 3", "X-MSMail-Priority: Normal"})},
      {"", "", "", "Normal", Crlf({"To:", "Subject:"}),
       Crlf({"X-Priority: 3", "X-MSMail-Priority: Normal"})},
  };
  for (const auto& c : cases) {
    EmlParams params;
    params.mail_from = c.from;
    params.mail_cc = c.cc;
    params.mail_bcc = c.bcc;
    params.priority = c.priority;
    EXPECT_EQ(HeaderBlock(params), c.expected + std::string(kMimeLines) +
                                       c.pair + std::string(kUnsentLines))
        << "from '" << c.from << "' priority '" << c.priority << "'";
  }
}

TEST(AddressLinesTest, SplitsAtCommas) {
  const struct {
    std::string list;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {"To:"}},
      {"   ", {"To:"}},
      {"a@x  ", {"To: a@x"}},
      {"a@x,b@x", {"To: a@x,", "    b@x"}},
      {"a@x,b@x, c@x  ", {"To: a@x,", "    b@x,", "     c@x"}},
      {"a@x,,b@x", {"To: a@x,", "    ,", "    b@x"}},
      {" a@x ,b@x", {"To:  a@x ,", "    b@x"}},
      // A list ending with a comma (or blanks after it) has no last line:
      // an empty one would end the header block.
      {"a@x,", {"To: a@x,"}},
      {"a@x,b@x,   ", {"To: a@x,", "    b@x,"}},
      {"a@x,\r\n ", {"To: a@x,"}},
      {",", {"To: ,"}},
      // Each line is one record: cut at 256 characters.
      {std::string(300, 'a'), {"To: " + std::string(252, 'a')}},
      {"a," + std::string(300, 'b'),
       {"To: a,", "    " + std::string(252, 'b')}},
  };
  for (const auto& c : cases) {
    std::string expected;
    for (std::string_view line : c.lines)
      expected += std::string(line) + "\r\n";
    EXPECT_EQ(Written([&](LineWriter& out) {
                WriteAddressLines("To: ", c.list, out);
              }),
              expected)
        << "list '" << c.list << "'";
  }
}

TEST(HeaderBlockTest, LineBreaksInValuesAddNoHeaders) {
  EmlParams params;
  params.mail_subject = "Hi\r\nBcc: evil@example.com";
  params.mail_to = "a@x\r\n\r\nbody,b@x\n";
  params.mail_from = "me\r";
  EXPECT_EQ(HeaderBlock(params),
            Crlf({"From: me", "To: a@x    body,", "    b@x",
                  "Subject: Hi  Bcc: evil@example.com"}) +
                std::string(kMimeLines) +
                Crlf({"X-Priority: 3", "X-MSMail-Priority: Normal"}) +
                std::string(kUnsentLines));
}

}  // namespace
}  // namespace vellaro
