// The keyed data-file driver: files of fixed-layout records with keys, read
// one record at a time in record order.
//
// A KeyedFile is made by Env::NewKeyedFile for one file name and one record
// layout; it starts closed. Every operation returns an ErrorCode and leaves
// the full error state (with the driver's own message for
// kFileSystemError) in LastError() until the next operation. The file is
// always shared: other programs may read and write it while it is open.

#ifndef VELLARO_RUNTIME_KEYED_FILE_H_
#define VELLARO_RUNTIME_KEYED_FILE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/error_text.h"

namespace vellaro {

enum class FieldType {
  kLong,    // signed 32-bit number, 4 bytes in the record
  kString,  // text of a fixed number of characters, one byte each
};

// One field of a record: its name in the file, its type and, for a text,
// its width in characters (a kLong is always 4 bytes wide).
struct FieldSpec {
  std::string name;
  FieldType type = FieldType::kLong;
  std::size_t width = 4;
};

// A key over some fields, in order. Keys allow duplicate values.
struct KeySpec {
  std::string name;
  std::vector<std::string> fields;
};

// The record layout a program declares for a file: the name of its record
// table, its fields in order and its keys.
struct RecordLayout {
  std::string table;
  std::vector<FieldSpec> fields;
  std::vector<KeySpec> keys;

  // The size of one record in bytes: the sum of the field widths.
  std::size_t RecordSize() const;
};

// The value of one field: a number for kLong, a text for kString.
using FieldValue = std::variant<std::int32_t, std::string>;

// One record: a value per field of the layout, in layout order.
using Record = std::vector<FieldValue>;

// How a file is opened. Others may always read and write it too.
enum class Access { kRead, kReadWrite };

// The extension the driver adds to a file name that has none.
inline constexpr std::string_view kKeyedFileExtension = ".db";

// WithDefaultExtension: `name` with kKeyedFileExtension appended when its
// last level has no extension of its own.
std::string WithDefaultExtension(std::string_view name);

class KeyedFile {
 public:
  virtual ~KeyedFile() = default;

  // Opens the file for `access`. Errors: kFileNotFound (no such file),
  // kAccessDenied (no permission for `access`), kFileIsLocked (another
  // connection holds the file locked; see the "Recover" command),
  // kInvalidDataFile (not a data file of this driver),
  // kKeyFileMustBeRebuilt (a key is missing or differs from the layout; see
  // BuildKeys), kInvalidRecordDeclaration (the record table is missing or
  // its fields differ from the layout), kFileAlreadyOpen (the file was open
  // already and stays open), kFileSystemError (anything else).
  virtual int Open(Access access) = 0;

  // Creates the file with the layout's table and keys, empty, and leaves it
  // closed. A file that exists already is never emptied: the table and keys
  // it lacks are added, and a later Open judges what it holds.
  // Errors: kFileAlreadyOpen, kAccessDenied, kFileIsLocked,
  // kInvalidDataFile, kFileSystemError.
  virtual int Create() = 0;

  // Sends the driver command "NAME=value" (NAME in any case) and returns the
  // setting now in force, or an empty text for a command the driver does
  // not know. Commands:
  //   Recover=N      the next Open waits up to N seconds for another
  //                  connection's lock to clear before it reports
  //                  kFileIsLocked (normally it reports it at once).
  //   QUICKSCAN=on   a hint that the records are about to be read in one
  //   QUICKSCAN=off  sweep (read-ahead), and its end.
  virtual std::string SendCommand(std::string_view command) = 0;

  // Rebuilds the keys of the file, open or closed, so that they match the
  // layout again. Errors: kFileNotFound, kAccessDenied, kFileIsLocked,
  // kInvalidDataFile, kInvalidRecordDeclaration, kFileSystemError.
  virtual int BuildKeys() = 0;

  // The name of the file as the driver opens it: the name it was made with,
  // with the default extension added.
  virtual std::string Name() const = 0;

  // Sets `*bytes` to the size of the open file in bytes, as the file system
  // reports it. Errors: kFileNotOpen, kFileSystemError.
  virtual int Size(std::int64_t* bytes) = 0;

  // Closes the file and its record view. Error: kFileNotOpen.
  virtual int Close() = 0;

  // Sets reading in record order from the first record: a view opened
  // before starts again. Error: kFileNotOpen.
  virtual int SetRecordOrder() = 0;

  // Opens the record view: all records, without a filter, in record order
  // (the order in which they were added). Errors: kFileNotOpen and those of
  // Open.
  virtual int OpenView() = 0;

  // Reads the next record of the view into `*record`. Errors:
  // kRecordNotAvailable at the end (and on every call after it),
  // kFileNotOpen when no view is open, and those of Open for a file that
  // cannot be read.
  virtual int Next(Record* record) = 0;

  // Closes the record view; the file stays open.
  virtual void CloseView() = 0;

  // Adds `records`, in order, after the last record of the record order, in
  // one write: all of them or, on a failure, none. A text longer than its
  // field is cut to the field's width. Errors: kFileNotOpen, kAccessDenied
  // (the file is open for reading only), kFileIsLocked (another connection
  // is writing), kInvalidRecordDeclaration (a record does not match the
  // layout: a value too many or too few, or of the wrong kind),
  // kFileSystemError.
  virtual int Add(std::span<const Record> records) = 0;

  // The size of one record in bytes, as the driver counts it for a record
  // read (RecordLayout::RecordSize).
  virtual std::size_t RecordSize() const = 0;

  // The error state of the last operation (code kOk after a success).
  virtual const ErrorState& LastError() const = 0;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_KEYED_FILE_H_
