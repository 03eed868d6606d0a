// The keyed data-file driver over SQLite databases.
//
// One file is one SQLite database: the record table holds one column per
// field (INTEGER for a kLong, TEXT for a kString) and every key is an index
// of the same name over its fields. Record order is the table's row order,
// the order in which records were added. The database keeps its rollback
// journal only while it writes, so nothing is left beside the file. Create
// and BuildKeys wait up to two seconds for another writer to finish; Open
// waits only as long as a "Recover" command asks.
//
// The driver is portable: it reaches the file system through SQLite's own
// OS layer (and the standard library, to tell a folder from an empty file),
// so every Env backend shares it.

#ifndef VELLARO_RUNTIME_SQLITE_KEYED_FILE_H_
#define VELLARO_RUNTIME_SQLITE_KEYED_FILE_H_

#include <memory>
#include <string>

#include "runtime/keyed_file.h"

namespace vellaro {

// NewSqliteKeyedFile: a closed KeyedFile for the database at `path` (native
// form, relative to the process's current directory or absolute) with the
// record layout `layout`. Name() reports `name`.
//
// A file of zero bytes counts as no file at all (Open reports
// kFileNotFound), as it does for SQLite: Create then fills it.
std::unique_ptr<KeyedFile> NewSqliteKeyedFile(std::string name,
                                              std::string path,
                                              RecordLayout layout);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_SQLITE_KEYED_FILE_H_
