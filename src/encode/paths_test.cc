#include "encode/paths.h"

#include <gtest/gtest.h>

#include "runtime/mem_env.h"

namespace vellaro {
namespace {

TEST(MakeFoldersTest, CreatesMissingLevelsTopDown) {
  MemEnv env;
  env.PutFolder("/data");
  MakeFolders(env, "/data\\Reports\\May  ");
  EXPECT_TRUE(env.FolderExists("/data/Reports"));
  EXPECT_TRUE(env.FolderExists("/data/Reports/May"));
}

TEST(MakeFoldersTest, ExistingOrBlankPathsAreHarmless) {
  MemEnv env;
  env.PutFolder("/a/b");
  MakeFolders(env, "/a/b/");
  MakeFolders(env, "   ");
  MakeFolders(env, "C:\\");
  EXPECT_TRUE(env.FolderExists("/a/b"));
  EXPECT_FALSE(env.FolderExists("/w/C:"));
}

TEST(MakeFoldersTest, RelativePathsGetTheirFirstLevelToo) {
  MemEnv env;
  env.PutFolder("/w");
  MakeFolders(env, "saved\\reports");
  EXPECT_TRUE(env.FolderExists("/w/saved"));
  EXPECT_TRUE(env.FolderExists("/w/saved/reports"));
}

TEST(MakeFoldersTest, WindowsFormWorkFolder) {
  MemEnv env;
  env.PutFolder("/w/x");
  MakeFolders(env, "/w/x\\KQ\\");
  EXPECT_TRUE(env.FolderExists("/w/x/KQ"));
}

TEST(PageFilePathTest, PlainConcatenation) {
  AppState state;
  state.work_folder = "C:\\TEMP\\";
  state.instance = 57;
  EXPECT_EQ(PageFilePath(state, 3), "C:\\TEMP\\573.WMF");
  // Instance 1, page 23 and instance 12, page 3 share a name.
  state.instance = 1;
  std::string one_23 = PageFilePath(state, 23);
  state.instance = 12;
  EXPECT_EQ(one_23, PageFilePath(state, 3));
}

}  // namespace
}  // namespace vellaro
