// Starts a program the way a deployment tool running as a service does: on a
// desktop of a window station of its own, which nobody can see. Waits for it
// and exits with its exit code (100 and up when it could not be started).
// Usage: run_unattended PROGRAM [ARGUMENT...]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr char kStation[] = "hwident_unattended";

// A new window station is not visible (WSF_VISIBLE clear); a desktop in it
// gives the program somewhere to start.
bool MakeHiddenDesktop() {
  HWINSTA station = CreateWindowStationA(kStation, 0, WINSTA_ALL_ACCESS, nullptr);
  if (station == nullptr) return false;
  HWINSTA own = GetProcessWindowStation();
  if (!SetProcessWindowStation(station)) return false;
  HDESK desktop = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  SetProcessWindowStation(own);
  return desktop != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_unattended PROGRAM [ARGUMENT...]\n");
    return 100;
  }
  if (!MakeHiddenDesktop()) {
    std::fprintf(stderr, "run_unattended: no hidden desktop (%lu)\n", GetLastError());
    return 101;
  }
  std::string commandLine = "\"" + std::string(argv[1]) + "\"";
  for (int index = 2; index < argc; ++index) commandLine += std::string(" ") + argv[index];
  std::string desktop = std::string(kStation) + "\\Default";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.lpDesktop = desktop.data();
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "run_unattended: cannot start %s (%lu)\n", argv[1], GetLastError());
    return 102;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 103;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
