#include "sim/officesim/message_boxes_win32.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/win32/win32.h"

namespace orvan::sim {
namespace {

std::string WindowText(HWND hwnd) {
  char buffer[4096] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

std::string ClassName(HWND hwnd) {
  char buffer[64] = {};
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

struct BoxContents {
  std::string text;
  HICON icon = nullptr;
  std::vector<int> buttons;  // visible buttons' command ids, in creation order
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  auto* contents = reinterpret_cast<BoxContents*>(param);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  const std::string cls = ClassName(child);
  if (lstrcmpiA(cls.c_str(), "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      contents->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    } else if (contents->text.empty()) {
      contents->text = WindowText(child);
    }
  } else if (lstrcmpiA(cls.c_str(), "Button") == 0 && (style & WS_VISIBLE)) {
    contents->buttons.push_back(GetDlgCtrlID(child));
  }
  return TRUE;
}

unsigned IconStyle(HICON icon) {
  if (icon == nullptr) return 0;
  if (icon == LoadIconA(nullptr, IDI_HAND)) return MB_ICONHAND;
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) return MB_ICONQUESTION;
  if (icon == LoadIconA(nullptr, IDI_EXCLAMATION)) return MB_ICONEXCLAMATION;
  if (icon == LoadIconA(nullptr, IDI_ASTERISK)) return MB_ICONASTERISK;
  return 0;
}

unsigned ButtonStyle(std::vector<int> ids) {
  std::sort(ids.begin(), ids.end());
  const std::vector<std::pair<std::vector<int>, unsigned>> sets = {
      {{IDOK}, MB_OK},
      {{IDOK, IDCANCEL}, MB_OKCANCEL},
      {{IDABORT, IDRETRY, IDIGNORE}, MB_ABORTRETRYIGNORE},
      {{IDCANCEL, IDYES, IDNO}, MB_YESNOCANCEL},
      {{IDYES, IDNO}, MB_YESNO},
      {{IDCANCEL, IDRETRY}, MB_RETRYCANCEL},
  };
  for (const auto& [set, style] : sets) {
    if (set == ids) return style;
  }
  return MB_OK;
}

HHOOK hook = nullptr;
thread_local std::function<void(const ShownMessageBox&)> watcher;

LRESULT CALLBACK HookProcedure(int code, WPARAM wparam, LPARAM lparam) {
  const HWND dialog = reinterpret_cast<HWND>(wparam);
  if (code == HCBT_ACTIVATE && ClassName(dialog) == "#32770") {
    BoxContents contents;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&contents));
    if (watcher) {
      watcher({WindowText(dialog), contents.text,
               IconStyle(contents.icon) | ButtonStyle(contents.buttons)});
    }
    const int answer = contents.buttons.empty() ? IDOK : contents.buttons.front();
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
  }
  return CallNextHookEx(hook, code, wparam, lparam);
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(std::function<void(const ShownMessageBox&)> seen) {
  watcher = std::move(seen);
  hook = SetWindowsHookExA(WH_CBT, HookProcedure, nullptr, GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher() {
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  hook = nullptr;
  watcher = nullptr;
}

}  // namespace orvan::sim
