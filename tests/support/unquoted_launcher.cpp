// Windows only. Starts its one argument as a command line, exactly as given, the way a launcher
// that does not quote paths starts a program: C:\a b\orveditor.exe C:\c\d.orv. The system then
// looks for the program at each blank in turn. Waits for it and gives its exit code. (An
// installer's /D= must stand unquoted at the end, so the installer test starts it this way too.)

#include <windows.h>

#include <string>

int main() {
  std::wstring line = GetCommandLineW();
  std::size_t at = 0;
  if (line.starts_with(L'"')) {
    at = line.find(L'"', 1);
    at = at == std::wstring::npos ? line.size() : at + 1;
  } else {
    at = line.find_first_of(L" \t");
    if (at == std::wstring::npos) at = line.size();
  }
  at = line.find_first_not_of(L" \t", at);
  if (at == std::wstring::npos) return 2;
  std::wstring command = line.substr(at);
  // The quotation marks that made it one argument are not part of it.
  if (command.size() >= 2 && command.front() == L'"' && command.back() == L'"') {
    command = command.substr(1, command.size() - 2);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 127;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
