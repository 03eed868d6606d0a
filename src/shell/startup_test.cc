#include "shell/startup.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/mem_env.h"

namespace vellaro {
namespace {

// A run of the whole program on an in-memory system whose current
// directory is /w, holding the page files of instances 5 and 12.
class StartupTest : public testing::Test {
 protected:
  void SetUp() override {
    env_.PutFolder("/w");
    env_.PutFile("/w/KQ/51.WMF", std::string(40, '\0'));
    env_.PutFile("/w/KQ/121.WMF", std::string(40, '\0'));
  }

  void Run(const std::string& tail) {
    env_.set_command_tail(tail);
    RunProgram(env_, state_);
  }

  MemEnv env_;
  AppState state_;
};

TEST_F(StartupTest, CommandLineReachesTheBuilder) {
  struct Case {
    std::string tail;
    int instance;
  };
  const Case cases[] = {
      {"5 MakeEMLFileSW('out.eml','1','','',0,0,'','',1,'','','','','',0,0,1)",
       5},
      {"12 3 makeemlfilesw ( 'out.eml' , 1 ,'','',0,0,'','',1,'','','','',''"
       ",0,0,1 )",
       12},
  };
  for (const Case& c : cases) {
    env_.DeleteFile("/w/out.eml");
    Run(c.tail);
    EXPECT_EQ(state_.instance, c.instance) << c.tail;
    EXPECT_TRUE(env_.FileExists("/w/out.eml")) << c.tail;
  }
}

TEST_F(StartupTest, MalformedCommandLinesWriteAndShowNothing) {
  const std::string call = "MakeEMLFileSW('out.eml','1')";
  const std::string tails[] = {
      "",
      "5",
      "-5 " + call,
      "12,3 " + call,
      "5 " + call + " x",
      "5 MakeEMLFileSW(\"out.eml\",\"1\")",
      "5 MakeEMLFileSW()",
      // The closing parenthesis lies beyond the 10000th character.
      "5 MakeEMLFileSW('out.eml','1','" + std::string(10000, 'x') + "')",
  };
  for (const std::string& tail : tails) {
    Run(tail);
    EXPECT_FALSE(env_.FileExists("/w/out.eml")) << tail.substr(0, 60);
  }
  EXPECT_TRUE(env_.boxes().empty());
}

TEST_F(StartupTest, InstanceComesFromTheFirstTokenEvenWithoutACall) {
  Run("300");
  EXPECT_EQ(state_.instance, 44);
  EXPECT_EQ(state_.work_folder, "/w\\KQ\\");
}

}  // namespace
}  // namespace vellaro
