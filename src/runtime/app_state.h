// AppState: the program's few globals, in one place.
//
// The start-up run sets the work folder and empties the two lists; the
// command-line entry sets the instance number; the message builder reads
// them all. Parts receive the AppState they use instead of reaching for
// scattered statics, so tests can set up any state they need.

#ifndef VELLARO_RUNTIME_APP_STATE_H_
#define VELLARO_RUNTIME_APP_STATE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

struct AppState {
  // The current directory followed by "\KQ\"; always ends with a backslash
  // once set. Holds the page files and the builder's working files.
  std::string work_folder;

  // 0..255, from the first command-line token; part of the names of the
  // page files and of the RTF work file.
  std::uint8_t instance = 0;

  // Lines shown above the pages in the HTML body (ERQ:LINE, 256 characters
  // each). Emptied at start-up.
  std::vector<std::string> message_text;

  // Paths of extra files attached to the message (EAQ:FILENAME, 256
  // characters each). Emptied at start-up.
  std::vector<std::string> attachments;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_APP_STATE_H_
