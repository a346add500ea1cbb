// zotpx_ui_steps: goes through another program's windows as a user does, for the Windows
// stage's installer check. Each argument is a step, taken in order, each waiting up to a minute
// for the windows on the screen to allow it:
//   see:TEXT     a control (or a window's title) shows TEXT
//   absent:TEXT  none shows TEXT now
//   click:TEXT   the button showing TEXT is pressed (a check box is ticked, a radio button
//                chosen)
// Texts are compared without their '&' marks and match any part of a control's text. Exit
// status 0 when every step was taken; otherwise 1, with what the screen showed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/utf16_win32.h"

namespace {

struct Shown {
  HWND window;
  std::wstring text;
  bool button;
};

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  std::erase(text, L'&');
  return text;
}

BOOL CALLBACK AddChild(HWND window, LPARAM into) {
  wchar_t kind[16] = {};
  GetClassNameW(window, kind, 16);
  if (IsWindowVisible(window))
    reinterpret_cast<std::vector<Shown>*>(into)->push_back(
        {window, TextOf(window), std::wstring(kind) == L"Button"});
  return TRUE;
}

BOOL CALLBACK AddTopLevel(HWND window, LPARAM into) {
  if (!IsWindowVisible(window)) return TRUE;
  AddChild(window, into);
  EnumChildWindows(window, AddChild, into);
  return TRUE;
}

std::vector<Shown> OnScreen() {
  std::vector<Shown> shown;
  EnumWindows(AddTopLevel, reinterpret_cast<LPARAM>(&shown));
  return shown;
}

HWND Find(const std::vector<Shown>& shown, const std::wstring& text, bool button) {
  for (const Shown& s : shown)
    if ((s.button || !button) && s.text.find(text) != std::wstring::npos) return s.window;
  return nullptr;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring step = argv[i];
    const std::size_t colon = step.find(L':');
    const std::wstring verb = step.substr(0, colon);
    const std::wstring text = colon == std::wstring::npos ? L"" : step.substr(colon + 1);
    bool done = false;
    for (int tries = 0; tries < 600 && !done; ++tries) {
      const std::vector<Shown> shown = OnScreen();
      const HWND found = Find(shown, text, verb == L"click");
      if (verb == L"absent") {
        done = !found;
        break;
      }
      if (found && verb == L"see") done = true;
      if (found && verb == L"click" && IsWindowEnabled(found)) {
        // Posted: a click that opens a dialog must not hold this program.
        PostMessageW(found, BM_CLICK, 0, 0);
        done = true;
      }
      if (!done) Sleep(100);
    }
    if (!done) {
      Print("zotpx_ui_steps: step " + zotpx::Utf8FromWide(step) + " not taken; on the screen:\n");
      for (const Shown& s : OnScreen())
        if (!s.text.empty()) Print("  " + zotpx::Utf8FromWide(s.text) + "\n");
      return 1;
    }
  }
  return 0;
}
