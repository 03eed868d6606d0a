#include "shell/binding_scope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/error_codes.h"

namespace vellaro {
namespace {

// A scope with one procedure of three parameters that records its calls.
class BindingScopeTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scope_.Bind("Proc", 3, [this](std::span<const std::string> t) {
      calls_.emplace_back(t.begin(), t.end());
      return -42LL;
    }));
  }

  BindingScope scope_;
  std::vector<std::vector<std::string>> calls_;
};

TEST_F(BindingScopeTest, CallRunsOnceWithPaddedTexts) {
  EXPECT_EQ(scope_.Evaluate("PROC('a', 5)"), "-42");
  EXPECT_EQ(scope_.error(), kOk);
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0], (std::vector<std::string>{"a", "5", ""}));

  EXPECT_EQ(scope_.Evaluate("proc(1,2,3)"), "-42");
  EXPECT_EQ(calls_.size(), 2u);
}

TEST_F(BindingScopeTest, FailuresCallNothingAndRecordTheirCodes) {
  struct Case {
    const char* text;
    std::vector<EvaluationError> errors;
  };
  const Case cases[] = {
      {"", {{kEvaluationFailed, ""}}},
      {"Proc()", {{kEvaluationFailed, ""}}},
      {"Proc(1,2,3,4)", {{kEvaluationFailed, ""}}},
      {"Proc('a') Proc('b')", {{kEvaluationFailed, ""}}},
      {"Other('a')", {{kUnknownName, "Other"}, {kEvaluationFailed, ""}}},
      {"Proc$('a')", {{kUnknownName, "Proc$"}, {kEvaluationFailed, ""}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scope_.Evaluate(c.text), "") << c.text;
    EXPECT_EQ(scope_.error(), kEvaluationFailed) << c.text;
    EXPECT_EQ(scope_.errors(), c.errors) << c.text;
  }
  EXPECT_TRUE(calls_.empty());
}

TEST_F(BindingScopeTest, EvaluationClearsEarlierErrors) {
  scope_.Evaluate("Other(1)");
  EXPECT_EQ(scope_.Evaluate("'text'"), "text");
  EXPECT_EQ(scope_.error(), kOk);
  EXPECT_TRUE(scope_.errors().empty());
  EXPECT_TRUE(calls_.empty());
}

TEST_F(BindingScopeTest, BindRefusesBadNamesAndCountsAndReplacesByName) {
  auto zero = [](std::span<const std::string>) { return 0LL; };
  EXPECT_FALSE(scope_.Bind("", 1, zero));
  EXPECT_FALSE(scope_.Bind("9x", 1, zero));
  EXPECT_FALSE(scope_.Bind("x", 0, zero));
  EXPECT_FALSE(scope_.Bind(std::string(100, 'x'), 1, zero));
  EXPECT_TRUE(scope_.Bind(std::string(99, 'x'), 1, zero));
  EXPECT_EQ(scope_.Evaluate(std::string(99, 'X') + "(1)"), "0");

  // A name over 99 characters is never bound, whatever its first 99 are.
  std::string long_name = std::string(99, 'x') + "y";
  EXPECT_EQ(scope_.Evaluate(long_name + "(1)"), "");
  EXPECT_EQ(scope_.errors().front(),
            (EvaluationError{kUnknownName, long_name}));

  EXPECT_TRUE(scope_.Bind("PROC", 1, zero));
  EXPECT_EQ(scope_.Evaluate("Proc(1)"), "0");
  EXPECT_EQ(scope_.Evaluate("Proc(1,2)"), "");
  EXPECT_TRUE(calls_.empty());
}

}  // namespace
}  // namespace vellaro
