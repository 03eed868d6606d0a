// Folder and file-name helpers shared by the builder, the RTF writer and the
// start-up run.

#ifndef VELLARO_ENCODE_PATHS_H_
#define VELLARO_ENCODE_PATHS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/app_state.h"
#include "runtime/env.h"

namespace vellaro {

// MakeFolders: makes sure every level of the folder `path` exists.
//
// Trailing blanks are dropped and a separator is appended when missing; the
// whole path is created, then, at every separator, the part before it, so
// that missing upper levels are made on the way down. A root before the
// first separator (empty, or a drive such as "C:") is passed over. Failures
// (an existing folder, no right, an invalid name) are ignored: the caller
// finds out when it writes into the folder.
void MakeFolders(Env& env, std::string_view path);

// The width of a path field: the most characters of a path that are used.
inline constexpr std::size_t kPathFieldWidth = 256;

// FieldPath: the path a path field holds, `path` clipped. A path whose
// clipped text is longer than the field gives an empty text instead: cut at
// the field's width it would name another file (a folder's prefix, a
// shortened name), so it names no file at all. Opening or creating the empty
// path fails like that of a missing file.
std::string_view FieldPath(std::string_view path);

// The path of page file `page`: the work folder clipped, the instance number
// and the page number in decimal, then ".WMF" (instance 7, page 12:
// "...\712.WMF").
std::string PageFilePath(const AppState& state, int page);

}  // namespace vellaro

#endif  // VELLARO_ENCODE_PATHS_H_
