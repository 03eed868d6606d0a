#include "runtime/keyed_file.h"

#include "runtime/text.h"

namespace vellaro {

std::size_t RecordLayout::RecordSize() const {
  std::size_t size = 0;
  for (const FieldSpec& field : fields) size += field.width;
  return size;
}

std::string WithDefaultExtension(std::string_view name) {
  std::size_t level = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (IsPathSeparator(name[i])) level = i + 1;
  }
  if (name.substr(level).find('.') != std::string_view::npos) {
    return std::string(name);
  }
  return std::string(name) + std::string(kKeyedFileExtension);
}

}  // namespace vellaro
