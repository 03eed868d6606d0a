// <windows.h> for the Win32 backend, without the macros that clash with the
// runtime's own names.
//
// Under UNICODE, <windows.h> defines DeleteFile, CopyFile, MessageBox and
// others as macros for their "W" functions; Env has methods and a struct of
// those names. Code that includes this header calls the "W" functions by
// their full names.

#ifndef VELLARO_RUNTIME_WIN32_WINDOWS_H_
#define VELLARO_RUNTIME_WIN32_WINDOWS_H_

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef MessageBox

#endif  // VELLARO_RUNTIME_WIN32_WINDOWS_H_
