// A stand-in for the score player that the tests start. Each run, counted from 0, writes its
// arguments one a line to "<own file>.<run>" (through ".part", so a record is whole once it is
// there); on Windows first the command line as the system handed it over to
// "<own file>.<run>.line". Then it waits until "<own file>.<run>.go" appears or its own file goes,
// half a minute at most, and leaves "<own file>.<run>.end".

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32
static std::string utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();
  return out;
}
#endif

int main([[maybe_unused]] int argc, [[maybe_unused]] char* argv[]) {
  std::vector<std::string> arguments;
#ifdef _WIN32
  std::wstring own(32768, L'\0');
  own.resize(GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
  const fs::path self(own);
  int count = 0;
  wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) arguments.push_back(utf8(split[i]));
#else
  const fs::path self = fs::read_symlink("/proc/self/exe");
  arguments.assign(argv + 1, argv + argc);
#endif
  const auto record = [&self](int run, const char* suffix = "") {
    return fs::path(self) += '.' + std::to_string(run) + suffix;
  };
  std::error_code error;  // a file that cannot be looked at counts as absent
  const auto present = [&error](const fs::path& path) { return fs::exists(path, error); };
  int run = 0;
  while (present(record(run)) || present(record(run, ".part"))) ++run;
#ifdef _WIN32
  std::ofstream(record(run, ".line"), std::ios::binary) << utf8(GetCommandLineW());
#endif
  {
    std::ofstream part(record(run, ".part"), std::ios::binary);
    for (const std::string& argument : arguments) part << argument << '\n';
  }
  fs::rename(record(run, ".part"), record(run), error);
  for (int i = 0; i < 1500 && present(self) && !present(record(run, ".go")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ofstream(record(run, ".end"), std::ios::binary);
  return 0;
}
