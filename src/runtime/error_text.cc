#include "runtime/error_text.h"

#include "runtime/text.h"

namespace vellaro {
namespace {

struct CodeText {
  int code;
  const char* text;
};

// The texts users see inside the standard warnings, e.g. "File Not Found
// (2)". Several codes belong to drivers this program does not use; they are
// kept so that any code a driver reports reads the same everywhere.
constexpr CodeText kErrorTexts[] = {
    {2, "File Not Found"},
    {3, "Path Not Found"},
    {4, "Too Many Open Files"},
    {5, "Access Denied"},
    {7, "Memory Corrupted"},
    {8, "Insufficient Memory"},
    {30, "Entry Not Found"},
    {32, "File Is Already Locked"},
    {33, "Record Not Available"},
    {35, "Record Not Found"},
    {36, "Invalid Data File"},
    {37, "File Not Open"},
    {38, "Invalid Key File"},
    {40, "Creates Duplicate Key"},
    {43, "Record Is Already Held"},
    {45, "Invalid Filename"},
    {46, "Key File Must Be Rebuilt"},
    {47, "Invalid Record Declaration"},
    {48, "Unable To Log Transaction"},
    {52, "File Already Open"},
    {53, "File Is Not In This Runtime's Data Format"},
    {54, "No Create Attribute"},
    {55, "File Must Be Shared"},
    {56, "LOGOUT Already Active"},
    {57, "Invalid Memo File"},
    {63, "Exclusive Access Required"},
    {64, "Sharing Violation"},
    {65, "Unable To ROLLBACK Transaction"},
    {73, "Memo File Missing"},
    {75, "Invalid Field Type Descriptor"},
    {76, "Invalid Index String"},
    {77, "Unable To Access Index"},
    {78, "Invalid Number Of Parameters "},
    {79, "Unsupported Data Type In File"},
    {80, "Unsupported File Driver Function"},
    {81, "Unknown Error Posted"},
    {88, "Invalid Key Length"},
    {89, "Record Changed By Another Station"},
    {90, "File System Error"},
    {91, "LOGOUT Not Active"},
    {92, "BUILD In Progress"},
    {93, "BUILD Cancelled"},
    {94, "Record Limit Exceeded"},
    {95, "Server Not Found"},
    {96, "Remote Object Not Found"},
};

}  // namespace

std::string ErrorText(int code) {
  for (const CodeText& entry : kErrorTexts) {
    if (entry.code == code) return entry.text;
  }
  return "Unknown Error Posted : " + Decimal(code);
}

}  // namespace vellaro
