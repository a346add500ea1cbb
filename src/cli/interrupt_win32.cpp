// Interrupts on Windows: the console's control events, taken as the signals Linux sends for the
// same causes (Ctrl-C as SIGINT, Ctrl-Break as SIGTERM, the console closed, log-off and shutdown
// as SIGHUP), so that the exit statuses are Linux's. The handler runs on a thread of its own;
// a station worker, which hears nothing from the console, gets its stops from the parent as
// lines on its standard input.
#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "base/console.h"
#include "cli/interrupt.h"
#include "serial/port.h"

namespace zotpx::cli {

namespace {

constexpr int kHangUp = 1;  // SIGHUP, which Windows' C library does not name
// After the console closes, log-off or shutdown, Windows ends the process once the handler
// returns, or after 5 s: the run gets most of that to stop at its next request.
constexpr DWORD kLastWordsMs = 4500;

std::atomic<int> g_signal{0};
std::atomic<bool> g_worker{false};
// Station workers to pass stops to, and the lock that makes a stop reach each exactly once.
std::mutex g_lock;
std::vector<const ChildProcess*> g_workers;
// The handler runs on a thread of its own: they are read and replaced under the lock.
std::unique_ptr<const LastWords> g_last_words;

void SayLastWords() {
  if (!g_last_words) return;
  for (const auto& [file, text] : g_last_words->logs) file->Append(text);
  DWORD written = 0;
  const std::string& trace = g_last_words->trace;
  if (!trace.empty())
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), trace.data(), static_cast<DWORD>(trace.size()),
              &written, nullptr);
}

// The first asks the run to stop; the second ends the program at once, the port as found.
void Note(int sig) {
  const std::lock_guard<std::mutex> lock(g_lock);
  for (const ChildProcess* worker : g_workers) worker->PassStop(sig);
  if (g_signal != 0) {
    RestorePortAtOnce();
    SayLastWords();
    RestoreConsole();  // no exit handler runs after this
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + sig));
  }
  g_signal = sig;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const bool ending =
      event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (!g_worker)
    Note(event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGTERM : kHangUp);
  if (ending) {
    Sleep(kLastWordsMs);
    // The process ends when this returns: as after a second interrupt.
    const std::lock_guard<std::mutex> lock(g_lock);
    RestorePortAtOnce();
    SayLastWords();
  }
  return TRUE;
}

// A worker's standard input: "S <signal>" per stop the parent passes on.
DWORD WINAPI ReadStops(void*) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buffer[64];
  DWORD n = 0;
  while (ReadFile(input, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    pending.append(buffer, n);
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line.rfind("S ", 0) == 0) Note(std::atoi(line.c_str() + 2));
    }
  }
  return 0;
}

}  // namespace

void CatchInterrupts() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int InterruptSignal() {
  return g_signal;
}

int InterruptedExitStatus() {
  return 128 + g_signal;
}

void PassInterruptsTo(const ChildProcess& worker) {
  const std::lock_guard<std::mutex> lock(g_lock);
  g_workers.push_back(&worker);
  if (g_signal != 0) worker.PassStop(g_signal);
}

void ForgetInterruptWorker(const ChildProcess& worker) {
  const std::lock_guard<std::mutex> lock(g_lock);
  std::erase(g_workers, &worker);
}

void TakeInterruptsFromParent() {
  g_worker = true;
  if (HANDLE reader = CreateThread(nullptr, 0, ReadStops, nullptr, 0, nullptr)) CloseHandle(reader);
}

void SetLastWords(std::unique_ptr<const LastWords> words) {
  const std::lock_guard<std::mutex> lock(g_lock);
  g_last_words = std::move(words);
}

void WriteInsteadOfLastWords(const std::function<void()>& write) {
  const std::lock_guard<std::mutex> lock(g_lock);
  write();
  g_last_words.reset();
}

}  // namespace zotpx::cli
