// The Goods data file: its record, its layout, its use count and the
// procedure that opens it (creating it when it is missing).

#ifndef VELLARO_STARTUP_REPORT_GOODS_FILE_H_
#define VELLARO_STARTUP_REPORT_GOODS_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/env.h"
#include "runtime/keyed_file.h"

namespace vellaro {

// One record of Goods (GOD:CUSID, GOD:GOODS).
struct GoodsRecord {
  std::int32_t cus_id = 0;
  std::string goods;  // 20 characters

  bool operator==(const GoodsRecord&) const = default;
};

// The name Goods is opened by, in the current directory.
inline constexpr std::string_view kGoodsFileName = "GOODS";

// The record layout of Goods: the fields cus_id and goods, and the key
// by_id_goods over both.
const RecordLayout& GoodsLayout();

// The Goods record held in a record read with GoodsLayout.
GoodsRecord ToGoodsRecord(const Record& record);

enum class OpenOutcome {
  kOpen,     // the file is open
  kNotOpen,  // it could not be opened and the user was told
  kStopped,  // a fatal warning ended the program (Env::Stop was called)
};

// OpenOrCreate: opens `file` for `access`, repairing what it can:
//   - a file locked by another program is opened once more, after the
//     driver is told to wait up to 10 seconds for the lock ("Recover=10");
//   - a missing file is created when `create_allowed` and then opened
//     (warnings 4 and 5 when that fails; warning 4 when creation is not
//     allowed);
//   - a record layout that differs is warning 1;
//   - keys that must be rebuilt are warning 2, which asks: Yes rebuilds
//     them (warning 3 when that fails) and opens the file again, No ends
//     the program;
//   - an error still left is warning 30, and the program ends with the
//     final text "Disk Error".
// A file that was open already counts as opened.
OpenOutcome OpenOrCreate(Env& env, KeyedFile& file, bool create_allowed,
                         Access access);

// GoodsFile: the Goods data file with its use count. The first use opens
// it with OpenOrCreate (creation allowed, read/write, shared with other
// readers and writers); the last release closes it.
class GoodsFile {
 public:
  explicit GoodsFile(Env& env);

  // Use: counts one more use, opening the file first when it was unused;
  // returns the outcome of that open (kOpen when it was open already).
  OpenOutcome Use();

  // Release: ends one use; the last one closes the file.
  void Release();

  KeyedFile& file() { return *file_; }
  int use_count() const { return use_count_; }

 private:
  Env& env_;
  std::unique_ptr<KeyedFile> file_;
  int use_count_ = 0;
};

}  // namespace vellaro

#endif  // VELLARO_STARTUP_REPORT_GOODS_FILE_H_
