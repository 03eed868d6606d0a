#include "startup_report/warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/mem_env.h"

namespace vellaro {
namespace {

const ErrorState kNotFound{kFileNotFound, "", ""};

struct Row {
  int number;
  int answer;  // scripted; 0 takes the default
  const char* title;
  const char* text;
  BoxIcon icon;
  BoxButtons buttons;
  int default_answer;
  int result;
  const char* stop;  // nullptr when the program goes on
};

// Every warning with error code 2 and the file name X.
const Row kRows[] = {
    {1, 0, "Invalid File",
     "Error: (File Not Found (2)) accessing X.  Press OK to end this "
     "application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 0, "Invalid File!"},
    {2, kAnswerYes, "Invalid Key",
     "X key file is invalid.  Do you want to rebuild the key?",
     BoxIcon::kQuestion, BoxButtons::kYesNo, kAnswerYes, 2, nullptr},
    {2, kAnswerNo, "Invalid Key",
     "X key file is invalid.  Do you want to rebuild the key?",
     BoxIcon::kQuestion, BoxButtons::kYesNo, kAnswerYes, 0, "Invalid Key!"},
    {3, 0, "Key Rebuild Error",
     "Error: (File Not Found (2)) repairing key for X.  Press OK to end this "
     "application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 0,
     "Error Rebuilding Key!"},
    {4, 0, "File Creation Error",
     "Error: (File Not Found (2)) creating X.  Press OK to end this "
     "application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 0,
     "File Creation Error!"},
    {5, 0, "File Creation Error",
     "Error: (File Not Found (2)) opening created file:X.  Press OK to end "
     "this application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 0,
     "File Creation Error!"},
    {30, 0, "File Access Error",
     "File (X) could not be opened.  Error: File Not Found (2).",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 1, nullptr},
    {35, 0, "Record Retrieval Error",
     "Error: (File Not Found (2)) attempting to access a record from the X "
     "file.  Returning to previous window.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 0, nullptr},
    {36, 0, "View Open Error",
     "Error: (File Not Found (2)) attempting to open the current VIEW. "
     "Filter and Range Limits ignored.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, 0, nullptr},
};

TEST(ShowWarningTest, EveryWarningShowsItsBoxAndEndsAsItShould) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.number);
    MemEnv env;
    if (row.answer != 0) env.QueueAnswer(row.answer);
    WarningResult result = ShowWarning(env, row.number, kNotFound, "X");

    ASSERT_EQ(env.boxes().size(), 1u);
    const MessageBox& box = env.boxes()[0];
    EXPECT_EQ(box.title, row.title);
    EXPECT_EQ(box.text, row.text);
    EXPECT_EQ(box.icon, row.icon);
    EXPECT_EQ(box.buttons, row.buttons);
    EXPECT_EQ(box.default_answer, row.default_answer);
    EXPECT_EQ(result.answer, row.result);
    EXPECT_EQ(result.stopped, row.stop != nullptr);
    if (row.stop != nullptr) {
      EXPECT_EQ(env.stops(), std::vector<std::string>{row.stop});
    } else {
      EXPECT_TRUE(env.stops().empty());
    }
  }
}

TEST(ShowWarningTest, FileNameIsInsertedClippedOrLeftEmpty) {
  MemEnv env;
  ShowWarning(env, kWarningFileAccessError, kNotFound, "GOODS.db   ");
  ShowWarning(env, kWarningFileAccessError, kNotFound);
  ShowWarning(env, kWarningInvalidKey, kNotFound, "{error}");
  ASSERT_EQ(env.boxes().size(), 3u);
  EXPECT_EQ(env.boxes()[0].text,
            "File (GOODS.db) could not be opened.  Error: File Not Found (2).");
  EXPECT_EQ(env.boxes()[1].text,
            "File () could not be opened.  Error: File Not Found (2).");
  EXPECT_EQ(env.boxes()[2].text,
            "{error} key file is invalid.  Do you want to rebuild the key?");
}

TEST(ShowWarningTest, DescriptionOfADriverFailureUsesTheDriversTextAndCode) {
  MemEnv env;
  ShowWarning(env, kWarningRecordRetrieval,
              ErrorState{kFileSystemError, "disk I/O error   ", "10  "},
              "Goods");
  ShowWarning(env, kWarningRecordRetrieval,
              ErrorState{kRecordNotFound, "ignored driver text", "99"},
              "Goods");
  ShowWarning(env, kWarningFileAccessError, ErrorState{1234, "", ""}, "F");
  ASSERT_EQ(env.boxes().size(), 3u);
  EXPECT_EQ(env.boxes()[0].text,
            "Error: (disk I/O error (10)) attempting to access a record from "
            "the Goods file.  Returning to previous window.");
  EXPECT_EQ(env.boxes()[1].text,
            "Error: (Record Not Found (35)) attempting to access a record "
            "from the Goods file.  Returning to previous window.");
  EXPECT_EQ(env.boxes()[2].text,
            "File (F) could not be opened.  Error: Unknown Error Posted : 1234 "
            "(1234).");
}

TEST(ShowWarningTest, DescriptionIsCutAtItsHundredAndFiftiethCharacter) {
  std::string long_text(146, 'a');
  long_text += " bcdefgh";  // 154 characters before " (90)"
  MemEnv env;
  ShowWarning(env, kWarningFileAccessError,
              ErrorState{kFileSystemError, long_text, "90"}, "F");
  ASSERT_EQ(env.boxes().size(), 1u);
  // The cut leaves "... bcd"; a cut that ends in blanks loses them.
  EXPECT_EQ(env.boxes()[0].text, "File (F) could not be opened.  Error: " +
                                     std::string(146, 'a') + " bcd.");

  MemEnv env2;
  ShowWarning(env2, kWarningFileAccessError,
              ErrorState{kFileSystemError, std::string(149, 'a') + " z", "1"},
              "F");
  EXPECT_EQ(env2.boxes()[0].text, "File (F) could not be opened.  Error: " +
                                      std::string(149, 'a') + ".");
}

TEST(ShowWarningTest, UnknownNumberShowsNothing) {
  MemEnv env;
  WarningResult result = ShowWarning(env, 99, kNotFound, "X");
  EXPECT_TRUE(env.boxes().empty());
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.answer, 0);
}

}  // namespace
}  // namespace vellaro
