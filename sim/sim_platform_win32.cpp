// Windows: Ctrl-C, Ctrl-Break and the console closing end the simulator as SIGINT, SIGTERM and
// SIGHUP do on Linux (there is no SIGUSR1: the dump is written at the end only).
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "base/file_save.h"
#include "base/paths.h"
#include "sim_platform.h"

namespace zotpx::sim {
namespace {

std::atomic<bool> g_stop{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  g_stop = true;
  // After the console closes, Windows ends the process once this returns: give the main loop
  // the time to stop the device and write the dump.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    Sleep(2000);
  return TRUE;
}

}  // namespace

void TakeSignals() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

SimSignal WaitForSignal(long wait_ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (!g_stop && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(wait_ms, 20L)));
  return g_stop ? SimSignal::Stop : SimSignal::None;
}

std::string FileIdentity(const std::string& name) {
  // The file's volume and index: the same through links and hard links.
  const HANDLE file = CreateFileW(SystemPath(name).c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (known)
      return "file " + std::to_string(info.dwVolumeSerialNumber) + ":" +
             std::to_string(info.nFileIndexHigh) + ":" + std::to_string(info.nFileIndexLow);
  }
  const std::string target = LinkTarget(name);
  std::error_code error;
  const std::filesystem::path made =
      std::filesystem::weakly_canonical(SystemPath(target.empty() ? name : target), error);
  return "path " + (error ? name : PathText(made));
}

const HelpWords& SystemHelpWords() {
  static const HelpWords words{
      "A simulated ZOT-PA / ZOT-PB on-screen-display device, served over TCP\n"
      "(--listen [HOST:]PORT): Windows has no pseudo-terminal, so --listen is needed.\n"
      "\n"
      "It prints the URL to open (type it into zotpx-manager's port box, or give it\n"
      "to zotpx -p), answers the probe only at its own rate, identifies itself,\n"
      "acknowledges every command and draws it on its screen, erases and writes its\n"
      "0x78000-byte memory, runs the static commands stored there when it starts, and\n"
      "can misbehave on request. --port and --screen are Linux's.",
      "Stopping: Ctrl-C, Ctrl-Break or closing the console ends the simulator, which\n"
      "writes the memory dump (--dump) on the way out.\n"
      "\n",
      "Write the memory to FILE at exit"};
  return words;
}

}  // namespace zotpx::sim
