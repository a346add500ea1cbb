// zotpx.exe in a console of a Chinese system (code page 936), as a user at a command prompt
// sees it: Chinese text on standard output and error arrives whole (a character written in
// pieces shows as boxes), and the console keeps its code pages and modes when zotpx has ended.
// Windows only; it needs a display for Wine to give it a console.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/utf16_win32.h"

namespace {

// zotpx.exe in the build tree: src\ beside this program's tests\.
std::wstring ZotpxPath() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + L"..\\src\\zotpx.exe";
}

// Runs zotpx.exe with `arguments` in this program's console; its exit status.
DWORD RunInConsole(const std::wstring& arguments) {
  std::wstring line = L"\"" + ZotpxPath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    return ~DWORD{0};
  WaitForSingleObject(started.hProcess, 60000);
  DWORD status = ~DWORD{0};
  GetExitCodeProcess(started.hProcess, &status);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);
  return status;
}

// What the console shows, a line per row, trailing blanks dropped.
std::wstring Screen(HANDLE console) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(console, &info);
  std::wstring text;
  for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
    std::wstring cells(static_cast<std::size_t>(info.dwSize.X), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, cells.data(), static_cast<DWORD>(cells.size()), {0, row},
                                &read);
    cells.resize(cells.find_last_not_of(L' ') + 1);
    text += cells + L"\n";
  }
  return text;
}

TEST(ConsoleTest, ChineseTextArrivesWholeAndTheConsoleIsGivenBack) {
  FreeConsole();
  if (!AllocConsole() || GetConsoleOutputCP() == 0) GTEST_SKIP() << "no console without a display";
  const HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE);
  SetConsoleOutputCP(936);
  SetConsoleCP(936);
  DWORD mode = 0;
  ASSERT_TRUE(GetConsoleMode(console, &mode));
  ASSERT_TRUE(SetConsoleMode(console, mode & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING}));
  GetConsoleMode(console, &mode);

  struct Run {
    const wchar_t* arguments;
    DWORD status;
    std::string shown;  // UTF-8
  };
  const std::vector<Run> runs = {
      // standard output
      {L"decode \"55 AA 14 08 22 00 05 00 32 41 42 43 3B\"", 0, "文本字符串命令"},
      // standard error
      {L"cross-file 无此文件.bmp -o 十字线.bin", 2, "生成十字线文件失败：无法访问位图文件"},
      // a device command, which readies standard error for its progress line
      {L"-p COM250 connect", 3, "通信失败：请检查串口是否存在"},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(zotpx::Utf8FromWide(run.arguments));
    EXPECT_EQ(RunInConsole(run.arguments), run.status);
    const std::wstring screen = Screen(console);
    EXPECT_NE(screen.find(zotpx::WideFromUtf8(run.shown)), std::wstring::npos)
        << zotpx::Utf8FromWide(screen);
    EXPECT_EQ(screen.find(L'\uFFFD'), std::wstring::npos) << zotpx::Utf8FromWide(screen);
    EXPECT_EQ(GetConsoleOutputCP(), 936u);
    EXPECT_EQ(GetConsoleCP(), 936u);
    DWORD now = 0;
    GetConsoleMode(console, &now);
    EXPECT_EQ(now, mode);
  }
  CloseHandle(console);
  FreeConsole();
}

}  // namespace
