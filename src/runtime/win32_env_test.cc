// The Win32 backend against a real file system in a temporary folder whose
// name holds a blank and a character beyond ASCII, with message boxes
// answered by the test.

#include "runtime/win32_env.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "runtime/sqlite_fixture.h"
#include "runtime/win32_text.h"
#include "runtime/win32_windows.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;

struct BoxCall {
  std::wstring title;
  std::wstring text;
  unsigned type;
};

// The bits of a box's type that say what it shows: buttons, icon, default.
constexpr unsigned kShownBits = MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK;

class Win32EnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    DWORD size = ::GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(size, 0u);
    dir_ = std::wstring(temp, size) + L"vellaro env " +
           std::to_wstring(::GetCurrentProcessId()) + L" \u00e9";
    ASSERT_TRUE(::CreateDirectoryW(dir_.c_str(), nullptr));
    env_ = NewWin32Env(L"vellaro.exe",
                       [this](const std::wstring& title,
                              const std::wstring& text, unsigned type) {
                         boxes_.push_back({title, text, type});
                         if (answers_.empty()) return -1;
                         int id = answers_.front();
                         answers_.pop_front();
                         return id;
                       });
  }

  void TearDown() override {
    ::SetCurrentDirectoryW(saved_cwd_.c_str());
    // Read-only files would stop the clean-up.
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ignored)) {
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(dir_, ignored);
  }

  // The program's (ANSI) form of the file `name` in the test folder.
  std::string Path(const std::wstring& name) const {
    return AnsiFromWide(dir_ + L"\\" + name);
  }
  std::wstring WidePath(const std::wstring& name) const {
    return dir_ + L"\\" + name;
  }

  void Put(const std::wstring& name, const std::string& data) {
    HANDLE h = ::CreateFileW(WidePath(name).c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written,
                nullptr);
    ::CloseHandle(h);
  }

  // The contents of a file, or "<none>" when it cannot be read.
  std::string Get(const std::wstring& name) const {
    HANDLE h = ::CreateFileW(WidePath(name).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<none>";
    std::string data;
    char block[4096];
    DWORD got = 0;
    while (::ReadFile(h, block, sizeof block, &got, nullptr) && got > 0) {
      data.append(block, got);
    }
    ::CloseHandle(h);
    return data;
  }

  bool Exists(const std::wstring& name) const {
    return ::GetFileAttributesW(WidePath(name).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
  }

  static std::string ReadAll(SequentialFile& file) {
    std::string data;
    char block[7];
    std::size_t got = 0;
    while (file.Read(block, sizeof block, &got) == kOk && got > 0) {
      data.append(block, got);
    }
    return data;
  }

  int Write(const std::wstring& name, const std::string& data) {
    std::unique_ptr<WritableFile> out;
    int code = env_->CreateForWriting(Path(name), &out);
    if (code != kOk) return code;
    code = out->Append(data);
    int closed = out->Close();
    return code != kOk ? code : closed;
  }

  std::wstring dir_;
  std::wstring saved_cwd_ = fs::current_path().wstring();
  std::unique_ptr<Env> env_;
  std::vector<BoxCall> boxes_;
  std::deque<int> answers_;
};

TEST_F(Win32EnvTest, WritesAndReadsFilesWithBothSeparators) {
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) {
    big[i] = static_cast<char>(i * 7);
  }
  ASSERT_EQ(Write(L"a.bin", big), kOk);
  EXPECT_EQ(Get(L"a.bin"), big);

  std::unique_ptr<SequentialFile> in;
  std::string slashed = AnsiFromWide(dir_) + "/a.bin";
  ASSERT_EQ(env_->OpenForReading(slashed, &in), kOk);
  EXPECT_EQ(ReadAll(*in), big);
  in.reset();

  // An existing, longer file is replaced, not overwritten in part.
  ASSERT_EQ(Write(L"a.bin", "new"), kOk);
  EXPECT_EQ(Get(L"a.bin"), "new");
  // A file cut back goes on from the cut.
  std::unique_ptr<WritableFile> out;
  ASSERT_EQ(env_->CreateForWriting(Path(L"cut.bin"), &out), kOk);
  ASSERT_EQ(out->Append("head," + big), kOk);
  ASSERT_EQ(out->Truncate(5), kOk);
  ASSERT_EQ(out->Append("tail"), kOk);
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(Get(L"cut.bin"), "head,tail");
}

// Who holds the file "held.txt" while the backend tries something on it.
enum class Holder {
  kOurReader,         // OpenForReading
  kOurWriter,         // CreateForWriting
  kWriterSharingAll,  // another program writing, sharing everything
  kReaderSharingAll,  // another program reading, sharing everything
};

enum class Action { kRead, kCreate, kDelete, kCopyOnto, kCopyFrom };

TEST_F(Win32EnvTest, OtherWritersAreDeniedAndAHeldFileIsNeverEmptied) {
  struct Case {
    Holder holder;
    Action action;
    int expected;
  };
  const Case cases[] = {
      {Holder::kOurReader, Action::kRead, kOk},
      {Holder::kOurReader, Action::kCreate, kFileIsLocked},
      {Holder::kOurReader, Action::kDelete, kFileIsLocked},
      {Holder::kOurReader, Action::kCopyOnto, kFileIsLocked},
      {Holder::kOurReader, Action::kCopyFrom, kOk},
      {Holder::kOurWriter, Action::kRead, kFileIsLocked},
      {Holder::kOurWriter, Action::kCreate, kFileIsLocked},
      {Holder::kOurWriter, Action::kDelete, kFileIsLocked},
      {Holder::kOurWriter, Action::kCopyOnto, kFileIsLocked},
      {Holder::kOurWriter, Action::kCopyFrom, kFileIsLocked},
      {Holder::kWriterSharingAll, Action::kRead, kFileIsLocked},
      {Holder::kWriterSharingAll, Action::kCreate, kFileIsLocked},
      {Holder::kWriterSharingAll, Action::kDelete, kFileIsLocked},
      {Holder::kWriterSharingAll, Action::kCopyOnto, kFileIsLocked},
      {Holder::kWriterSharingAll, Action::kCopyFrom, kFileIsLocked},
      {Holder::kReaderSharingAll, Action::kRead, kOk},
      // A reader that lets others write cannot complain when someone does.
      {Holder::kReaderSharingAll, Action::kCreate, kOk},
      {Holder::kReaderSharingAll, Action::kDelete, kFileIsLocked},
      {Holder::kReaderSharingAll, Action::kCopyOnto, kFileIsLocked},
      {Holder::kReaderSharingAll, Action::kCopyFrom, kOk},
  };
  const std::string held = Path(L"held.txt");
  const std::string other = Path(L"other.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "holder " << static_cast<int>(c.holder) << ", action "
                 << static_cast<int>(c.action));
    Put(L"held.txt", "held data");
    Put(L"other.txt", "other data");
    std::unique_ptr<SequentialFile> our_reader;
    std::unique_ptr<WritableFile> our_writer;
    HANDLE foreign = INVALID_HANDLE_VALUE;
    constexpr DWORD kShareAll =
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    switch (c.holder) {
      case Holder::kOurReader:
        ASSERT_EQ(env_->OpenForReading(held, &our_reader), kOk);
        break;
      case Holder::kOurWriter:
        ASSERT_EQ(env_->CreateForWriting(held, &our_writer), kOk);
        ASSERT_EQ(our_writer->Append("held data"), kOk);
        break;
      case Holder::kWriterSharingAll:
      case Holder::kReaderSharingAll:
        foreign =
            ::CreateFileW(WidePath(L"held.txt").c_str(),
                          c.holder == Holder::kWriterSharingAll ? GENERIC_WRITE
                                                                : GENERIC_READ,
                          kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(foreign, INVALID_HANDLE_VALUE);
        break;
    }

    int code = -1;
    std::unique_ptr<SequentialFile> in;
    std::unique_ptr<WritableFile> out;
    switch (c.action) {
      case Action::kRead:
        code = env_->OpenForReading(held, &in);
        break;
      case Action::kCreate:
        code = env_->CreateForWriting(held, &out);
        break;
      case Action::kDelete:
        code = env_->DeleteFile(held);
        break;
      case Action::kCopyOnto:
        code = env_->CopyFile(other, held);
        break;
      case Action::kCopyFrom:
        code = env_->CopyFile(held, other);
        break;
    }
    EXPECT_EQ(code, c.expected);
    in.reset();
    out.reset();
    our_reader.reset();
    our_writer.reset();
    if (foreign != INVALID_HANDLE_VALUE) ::CloseHandle(foreign);
    if (code != kOk) {
      EXPECT_EQ(Get(L"held.txt"), "held data");
      EXPECT_EQ(Get(L"other.txt"), "other data");
    }
  }
}

TEST_F(Win32EnvTest, AnotherProcessCannotWriteAHeldFile) {
  std::unique_ptr<WritableFile> writer;
  ASSERT_EQ(env_->CreateForWriting(Path(L"held.eml"), &writer), kOk);
  ASSERT_EQ(writer->Append("ours"), kOk);
  std::wstring command =
      L"cmd.exe /c echo intruder> \"" + WidePath(L"held.eml") + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                               &process));
  EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  ASSERT_EQ(writer->Close(), kOk);
  EXPECT_EQ(Get(L"held.eml"), "ours");
}

TEST_F(Win32EnvTest, ErrorsOfMissingFilesFoldersDevicesAndReadOnlyFiles) {
  ASSERT_TRUE(::CreateDirectoryW(WidePath(L"folder").c_str(), nullptr));
  Put(L"readonly.txt", "kept");
  ASSERT_TRUE(::SetFileAttributesW(WidePath(L"readonly.txt").c_str(),
                                   FILE_ATTRIBUTE_READONLY));
  Put(L"source.txt", "source");
  struct Case {
    std::string path;
    int read;
    int create;
    int remove;
    int copy_onto;
  };
  const Case cases[] = {
      {Path(L"missing.txt"), kFileNotFound, kOk, kFileNotFound, kOk},
      {Path(L"no folder\\a.txt"), kPathNotFound, kPathNotFound, kPathNotFound,
       kPathNotFound},
      {Path(L"folder"), kAccessDenied, kAccessDenied, kAccessDenied,
       kAccessDenied},
      {"NUL", kAccessDenied, kAccessDenied, kAccessDenied, kAccessDenied},
      // Read-only: readable, never emptied or removed.
      {Path(L"readonly.txt"), kOk, kAccessDenied, kAccessDenied, kAccessDenied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::unique_ptr<SequentialFile> in;
    EXPECT_EQ(env_->OpenForReading(c.path, &in), c.read);
    in.reset();
    EXPECT_EQ(env_->DeleteFile(c.path), c.remove);
    std::unique_ptr<WritableFile> out;
    EXPECT_EQ(env_->CreateForWriting(c.path, &out), c.create);
    out.reset();
    EXPECT_EQ(env_->CopyFile(Path(L"source.txt"), c.path), c.copy_onto);
    ::DeleteFileW(WidePath(L"missing.txt").c_str());
  }
  EXPECT_TRUE(Exists(L"folder"));
  EXPECT_EQ(Get(L"readonly.txt"), "kept");
  EXPECT_EQ(Get(L"source.txt"), "source");
}

TEST_F(Win32EnvTest, CopyReplacesTheTargetButNeverItsOwnSource) {
  Put(L"source.txt", "new data");
  Put(L"target.txt", "old, longer data");
  ASSERT_EQ(env_->CopyFile(Path(L"source.txt"), Path(L"target.txt")), kOk);
  EXPECT_EQ(Get(L"target.txt"), "new data");
  // The source is free again afterwards.
  EXPECT_EQ(env_->DeleteFile(Path(L"target.txt")), kOk);

  // The same file under other spellings too.
  const std::string same[] = {
      Path(L"source.txt"),
      Path(L"SOURCE.TXT"),
      AnsiFromWide(dir_) + "/./source.txt",
  };
  for (const std::string& target : same) {
    EXPECT_EQ(env_->CopyFile(Path(L"source.txt"), target), kFileIsLocked)
        << target;
    EXPECT_EQ(Get(L"source.txt"), "new data");
  }

  // A missing source leaves the target alone.
  Put(L"target.txt", "untouched");
  EXPECT_EQ(env_->CopyFile(Path(L"missing.txt"), Path(L"target.txt")),
            kFileNotFound);
  EXPECT_EQ(Get(L"target.txt"), "untouched");
}

TEST_F(Win32EnvTest, CreatesOneFolderAtATime) {
  EXPECT_EQ(env_->CreateFolder(Path(L"KQ\\")), kOk);
  EXPECT_TRUE(Exists(L"KQ"));
  EXPECT_EQ(env_->CreateFolder(Path(L"KQ")), kAccessDenied);
  EXPECT_EQ(env_->CreateFolder(Path(L"a\\b")), kPathNotFound);
}

TEST_F(Win32EnvTest, CurrentDirectoryInItsLongFormWithoutTrailingSeparator) {
  wchar_t short_form[MAX_PATH + 1];
  DWORD size = ::GetShortPathNameW(dir_.c_str(), short_form, MAX_PATH + 1);
  ASSERT_GT(size, 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(short_form));
  EXPECT_EQ(env_->CurrentDirectory(), AnsiFromWide(dir_));

  ASSERT_TRUE(::SetCurrentDirectoryW((dir_ + L"\\").c_str()));
  EXPECT_EQ(env_->CurrentDirectory(), AnsiFromWide(dir_));

  ASSERT_TRUE(::SetCurrentDirectoryW(L"C:\\"));
  EXPECT_EQ(env_->CurrentDirectory(), "C:\\");
}

TEST_F(Win32EnvTest, CommandTailIsTheCommandLineLessTheProgram) {
  auto env = NewWin32Env(
      L"\"C:\\Program Files\\Vellaro\\vellaro.exe\"  5 "
      L"MakeEMLFileSW('caf\u00e9.eml', \"3\")  ",
      nullptr);
  EXPECT_EQ(
      env->CommandTail(),
      "5 MakeEMLFileSW('" + AnsiFromWide(L"caf\u00e9") + ".eml', \"3\")  ");
}

TEST_F(Win32EnvTest, MessageBoxesShowTitleTextIconButtonsAndDefault) {
  struct Case {
    MessageBox box;
    unsigned type;
  };
  const std::string name = AnsiFromWide(L"GOODS\u00e9.db");
  const Case cases[] = {
      {{"Invalid File", "Error: (x) accessing " + name + ".",
        BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk},
       MB_OK | MB_ICONEXCLAMATION | MB_DEFBUTTON1},
      {{"Invalid Key", name + " key file is invalid.", BoxIcon::kQuestion,
        BoxButtons::kYesNo, kAnswerYes},
       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1},
      {{"Question", "No first", BoxIcon::kQuestion, BoxButtons::kYesNo,
        kAnswerNo},
       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    env_->ShowMessageBox(c.box);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, WideFromAnsi(c.box.title));
    EXPECT_EQ(boxes_[0].text, WideFromAnsi(c.box.text));
    EXPECT_EQ(boxes_[0].type & kShownBits, c.type) << c.box.title;
  }
  EXPECT_EQ(boxes_[0].text, L"No first");
  env_->ShowMessageBox(cases[1].box);
  EXPECT_EQ(boxes_.back().text, L"GOODS\u00e9.db key file is invalid.");
}

TEST_F(Win32EnvTest, AnswersAreTheButtonsAndABoxNotShownTakesTheDefault) {
  const MessageBox yes_first{"Q", "?", BoxIcon::kQuestion, BoxButtons::kYesNo,
                             kAnswerYes};
  const MessageBox no_first{"Q", "?", BoxIcon::kQuestion, BoxButtons::kYesNo,
                            kAnswerNo};
  const MessageBox ok{"W", "!", BoxIcon::kExclamation, BoxButtons::kOk,
                      kAnswerOk};
  struct Case {
    const MessageBox* box;
    int id;  // what MessageBoxW returned
    int answer;
  };
  const Case cases[] = {
      {&yes_first, IDYES, kAnswerYes},
      {&yes_first, IDNO, kAnswerNo},
      {&no_first, IDYES, kAnswerYes},
      {&ok, IDOK, kAnswerOk},
      // No box could be shown: the default, never a made-up answer.
      {&yes_first, -1, kAnswerYes},
      {&no_first, -1, kAnswerNo},
      {&no_first, 0, kAnswerNo},
      {&ok, 0, kAnswerOk},
      // A button the box does not have.
      {&no_first, IDOK, kAnswerNo},
      {&ok, IDCANCEL, kAnswerOk},
  };
  for (const Case& c : cases) {
    answers_ = {c.id};
    EXPECT_EQ(env_->ShowMessageBox(*c.box), c.answer)
        << "id " << c.id << ", default " << c.box->default_answer;
  }
}

TEST_F(Win32EnvTest, StopShowsTheFinalTextInAStopBoxAndReturns) {
  env_->Stop("Disk Error");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, L"Vellaro");
  EXPECT_EQ(boxes_[0].text, L"Disk Error");
  EXPECT_EQ(boxes_[0].type & kShownBits,
            unsigned{MB_OK | MB_ICONSTOP | MB_DEFBUTTON1});
}

// Under Wine without a display MessageBoxW returns at once without a box:
// the program must go on with the default. Elsewhere a real box would wait
// for someone, so the test does not run there.
TEST(Win32MessageBoxTest, WithoutADisplayTheDefaultIsTaken) {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  bool wine = ntdll != nullptr &&
              ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  if (!wine || ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) > 0 ||
      ::GetEnvironmentVariableW(L"WAYLAND_DISPLAY", nullptr, 0) > 0) {
    GTEST_SKIP() << "needs Wine without a display";
  }
  auto env = NewWin32Env(L"vellaro.exe", ShowWin32MessageBox);
  EXPECT_EQ(env->ShowMessageBox({"Invalid Key", "Rebuild?", BoxIcon::kQuestion,
                                 BoxButtons::kYesNo, kAnswerYes}),
            kAnswerYes);
  EXPECT_EQ(env->ShowMessageBox({"Q", "No first", BoxIcon::kQuestion,
                                 BoxButtons::kYesNo, kAnswerNo}),
            kAnswerNo);
}

TEST_F(Win32EnvTest, RandomNumbersCoverTheRange) {
  std::set<std::int64_t> seen;
  for (int i = 0; i < 300; ++i) {
    std::int64_t n = env_->RandomBetween(1, 3);
    ASSERT_GE(n, 1);
    ASSERT_LE(n, 3);
    seen.insert(n);
  }
  EXPECT_EQ(seen.size(), 3u);
  std::int64_t first = env_->RandomBetween(1111111111, 1410065407);
  bool differs = false;
  for (int i = 0; i < 10; ++i) {
    std::int64_t n = env_->RandomBetween(1111111111, 1410065407);
    EXPECT_GE(n, 1111111111);
    EXPECT_LE(n, 1410065407);
    differs = differs || n != first;
  }
  EXPECT_TRUE(differs);
}

TEST_F(Win32EnvTest, KeyedFilesTakeTheirNamesFromTheCodePage) {
  ASSERT_TRUE(::SetCurrentDirectoryW(dir_.c_str()));
  const RecordLayout layout{
      "goods",
      {{"cus_id", FieldType::kLong, 4}, {"goods", FieldType::kString, 20}},
      {{"by_id_goods", {"cus_id", "goods"}}}};
  const std::string name = AnsiFromWide(L"GOODS\u00e9");
  auto file = env_->NewKeyedFile(name, layout);
  EXPECT_EQ(file->Name(), name + ".db");
  EXPECT_EQ(file->Open(Access::kReadWrite), kFileNotFound);
  ASSERT_EQ(file->Create(), kOk);
  EXPECT_TRUE(Exists(L"GOODS\u00e9.db"));

  // Another program writing the file keeps it locked.
  LockHolder lock(Utf8FromWide(WidePath(L"GOODS\u00e9.db")));
  ASSERT_TRUE(lock.held());
  EXPECT_EQ(file->Open(Access::kReadWrite), kFileIsLocked);
  lock.Release();
  ASSERT_EQ(file->Open(Access::kReadWrite), kOk);
  std::int64_t bytes = 0;
  EXPECT_EQ(file->Size(&bytes), kOk);
  EXPECT_EQ(bytes, static_cast<std::int64_t>(
                       fs::file_size(WidePath(L"GOODS\u00e9.db"))));
  EXPECT_EQ(file->Close(), kOk);
}

}  // namespace
}  // namespace vellaro
