#include "encode/paths.h"

#include "runtime/text.h"

namespace vellaro {

void MakeFolders(Env& env, std::string_view path) {
  std::string folder(Clip(path));
  if (folder.empty()) return;
  if (!IsPathSeparator(folder.back())) folder += '\\';
  env.CreateFolder(folder);
  bool first = true;
  for (std::size_t pos = 0; pos < folder.size(); ++pos) {
    if (!IsPathSeparator(folder[pos])) continue;
    std::string_view level = std::string_view(folder).substr(0, pos);
    // The part before the first separator is passed over when it is a root:
    // empty ("\x", "/x") or a drive ("C:"). A relative path's first level is
    // a folder like any other and is created too.
    if (first && (level.empty() || level.back() == ':')) {
      first = false;
      continue;
    }
    first = false;
    env.CreateFolder(level);
  }
}

std::string_view FieldPath(std::string_view path) {
  std::string_view clipped = Clip(path);
  return clipped.size() <= kPathFieldWidth ? clipped : std::string_view();
}

std::string PageFilePath(const AppState& state, int page) {
  std::string path(Clip(state.work_folder));
  AppendDecimal(path, state.instance);
  AppendDecimal(path, page);
  path += ".WMF";
  return path;
}

}  // namespace vellaro
