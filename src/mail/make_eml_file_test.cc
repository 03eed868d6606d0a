#include "mail/make_eml_file.h"

#include <gtest/gtest.h>

#include "runtime/mem_env.h"

namespace vellaro {
namespace {

class MakeEMLFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.work_folder = "/w\\KQ\\";
    state_.instance = 5;
    env_.PutFile("/w/KQ/51.WMF", std::string(100, 'p'));
    params_.eml_file_name = "/w/out.eml  ";
    params_.page_count = 1;
  }
  MemEnv env_;
  AppState state_;
  EmlParams params_;
};

TEST_F(MakeEMLFileTest, NoPagesTouchesNothing) {
  env_.PutFile("/w/out.eml", "keep me");
  params_.page_count = 0;
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
  EXPECT_EQ(env_.FileContents("/w/out.eml"), "keep me");
}

TEST_F(MakeEMLFileTest, ReplacesTheFileAndEndsWithTheClosingDelimiter) {
  env_.PutFile("/w/out.eml", std::string(10000, 'o'));
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlDone);
  std::string eml = env_.FileContents("/w/out.eml");
  EXPECT_EQ(eml.find('o'), std::string::npos);
  EXPECT_TRUE(eml.ends_with("\r\n------=_1_--\r\n")) << eml;
}

TEST_F(MakeEMLFileTest, UnwritableMessageGivesTwo) {
  env_.PutFile("/w/out.eml", "held");
  env_.HoldForWriting("/w/out.eml");
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
  EXPECT_EQ(env_.FileContents("/w/out.eml"), "held");
  params_.eml_file_name = "/missing/folder/out.eml";
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
  params_.eml_file_name = "   ";
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
}

}  // namespace
}  // namespace vellaro
