/* Starts a program the way a Windows host does: one command line, passed
   to CreateProcessW exactly as given, and waits for it.

   windows_launcher.exe PROGRAM COMMAND_FILE

   COMMAND_FILE holds the whole command line in UTF-8, the program's own
   path among it as the host writes it (PROGRAM names the file to run, so
   the command line may start with white space).
   The exit code is the program's, or 255 when it could not be started.
   Used by windows_e2e.py: a Unix shell cannot hand Wine a command line
   with double blanks, tabs or double quotes unchanged. */

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 255;
  FILE* file = _wfopen(argv[2], L"rb");
  if (file == NULL) return 255;
  char utf8[65536];
  size_t size = fread(utf8, 1, sizeof utf8 - 1, file);
  fclose(file);
  utf8[size] = '\0';
  static wchar_t command[65536];
  if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, command, 65536) == 0) {
    return 255;
  }
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(argv[1], command, NULL, NULL, FALSE, 0, NULL, NULL,
                      &startup, &process)) {
    return 255;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)code;
}
