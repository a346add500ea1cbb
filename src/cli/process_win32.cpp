// Workers on Windows: CreateProcessW of this program in a process group of its own (the
// console's Ctrl-C reaches the parent alone), standard output an anonymous pipe to us, standard
// input a pipe on which a stop is passed on as a line "S <signal>"; a console event reaches no
// process that has none, a pipe does.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/utf16_win32.h"
#include "base/windows_args.h"
#include "cli/process.h"

namespace zotpx::cli {

namespace {

HANDLE AsHandle(std::intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

std::intptr_t FromHandle(HANDLE handle) {
  return reinterpret_cast<std::intptr_t>(handle);
}

std::string ThisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return Utf8FromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string LastError(const char* what) {
  return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
}

// A pipe whose one end (`inherited_end`: 0 read, 1 write) the worker gets.
bool MakePipe(HANDLE ends[2], int inherited_end) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(&ends[0], &ends[1], &inherit, 0)) return false;
  SetHandleInformation(ends[1 - inherited_end], HANDLE_FLAG_INHERIT, 0);
  return true;
}

}  // namespace

ChildProcess::~ChildProcess() {
  for (const std::intptr_t handle : {output_, stop_, process_})
    if (handle != -1) CloseHandle(AsHandle(handle));
}

bool ChildProcess::Start(const std::vector<std::string>& args) {
  const std::string program = ThisProgram();
  if (program.empty()) {
    error_ = LastError("this program's own path is unknown");
    return false;
  }
  HANDLE output[2];
  HANDLE input[2];
  if (!MakePipe(output, 1)) {
    error_ = LastError("no pipe for the worker");
    return false;
  }
  if (!MakePipe(input, 0)) {
    error_ = LastError("no pipe for the worker");
    CloseHandle(output[0]);
    CloseHandle(output[1]);
    return false;
  }
  // Standard error is shared, as an inheritable copy of ours.
  HANDLE error_copy = nullptr;
  const HANDLE own_error = GetStdHandle(STD_ERROR_HANDLE);
  if (own_error && own_error != INVALID_HANDLE_VALUE)
    DuplicateHandle(GetCurrentProcess(), own_error, GetCurrentProcess(), &error_copy, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);

  std::vector<std::string> arguments = {program};
  arguments.insert(arguments.end(), args.begin(), args.end());
  std::wstring command_line = WideFromUtf8(WindowsCommandLine(arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input[0];
  startup.hStdOutput = output[1];
  startup.hStdError = error_copy;
  PROCESS_INFORMATION started{};
  const BOOL ok =
      CreateProcessW(WideFromUtf8(program).c_str(), command_line.data(), nullptr, nullptr, TRUE,
                     CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started);
  const DWORD start_error = GetLastError();
  CloseHandle(input[0]);
  CloseHandle(output[1]);
  if (error_copy) CloseHandle(error_copy);
  if (!ok) {
    CloseHandle(input[1]);
    CloseHandle(output[0]);
    SetLastError(start_error);
    error_ = LastError("no worker process");
    return false;
  }
  CloseHandle(started.hThread);
  process_ = FromHandle(started.hProcess);
  output_ = FromHandle(output[0]);
  stop_ = FromHandle(input[1]);
  return true;
}

bool ChildProcess::ReadAvailable(std::string& into) {
  if (output_ == -1) return false;
  for (;;) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(AsHandle(output_), nullptr, 0, nullptr, &waiting, nullptr)) break;
    if (waiting == 0) return true;
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(AsHandle(output_), buffer, std::min<DWORD>(waiting, sizeof buffer), &n,
                  nullptr) ||
        n == 0)
      break;
    into.append(buffer, n);
  }
  // The worker's end is closed: it has ended, or is about to.
  CloseHandle(AsHandle(output_));
  output_ = -1;
  return false;
}

void ChildProcess::PassStop(int signal) const {
  if (stop_ == -1) return;
  const std::string line = "S " + std::to_string(signal) + "\n";
  DWORD written = 0;
  WriteFile(AsHandle(stop_), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

ChildProcess::End ChildProcess::Wait() {
  End end;
  if (process_ == -1) return end;
  WaitForSingleObject(AsHandle(process_), INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(AsHandle(process_), &code)) {
    // An exception that ended it (0xC0000005) is no exit status of ours.
    if (code < 256) {
      end.status = static_cast<int>(code);
    } else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(code));
      end.cause = std::string("by exception 0x") + hex;
    }
  }
  CloseHandle(AsHandle(process_));
  process_ = -1;
  return end;
}

void ChildProcess::WaitForOutput(const std::vector<ChildProcess*>& children,
                                 std::chrono::milliseconds timeout) {
  // Anonymous pipes cannot be waited on: look at each every few milliseconds.
  const DWORD until = GetTickCount() + static_cast<DWORD>(timeout.count());
  for (;;) {
    for (const ChildProcess* child : children) {
      if (child->output_ == -1) continue;
      DWORD waiting = 0;
      if (!PeekNamedPipe(AsHandle(child->output_), nullptr, 0, nullptr, &waiting, nullptr) ||
          waiting > 0)
        return;
    }
    if (static_cast<LONG>(GetTickCount() - until) >= 0) return;
    Sleep(5);
  }
}

}  // namespace zotpx::cli
