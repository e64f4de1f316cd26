// Windows only. Starts its one argument as a command line, exactly as given, the way a launcher
// that does not quote paths starts a program: C:\a b\orveditor.exe C:\c\d.orv. The system then
// looks for the program at each blank in turn. Waits for it and gives its exit code. (An
// installer's /D= must stand unquoted at the end, so the installer test starts it this way too.)

#include <windows.h>

#include <shellapi.h>

int main() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr || count != 2) return 2;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, words[1], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 127;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  return static_cast<int>(code);
}
