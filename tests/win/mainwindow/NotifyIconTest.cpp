// CLumNotifyIcon: what it hands the shell (seen through its seam), when it
// removes the icon, its return after Explorer restarts, and Wine's real tray.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "mainwindow/win/CLumNotifyIcon.h"

using namespace vorn2;

namespace {

struct Shell {
  std::vector<std::pair<DWORD, NOTIFYICONDATAW>> sent;
  BOOL answer = TRUE;
  CLumNotifyIcon::ShellNotify Seam() {
    return [this](DWORD message, NOTIFYICONDATAW* data) {
      sent.emplace_back(message, *data);
      return answer;
    };
  }
};

std::wstring Text(const WCHAR* field) { return field; }

const HWND kOwner = reinterpret_cast<HWND>(0x1234);
const HICON kIcon = reinterpret_cast<HICON>(0x5678);

}  // namespace

TEST(NotifyIcon, EveryOperationSendsTheWholeRecordAndDestructionRemovesIt) {
  Shell shell;
  { CLumNotifyIcon never(shell.Seam()); }
  EXPECT_TRUE(shell.sent.empty());
  {
    CLumNotifyIcon icon(shell.Seam());
    EXPECT_TRUE(icon.AddNotifyIcon(kOwner, kIcon, "Vornhold 2客户端"));
    shell.answer = FALSE;
    EXPECT_FALSE(icon.ModifyNotifyIcon(kOwner, nullptr, "x"));
    shell.answer = TRUE;
    EXPECT_TRUE(icon.ShowBubble(std::string(70, 't'), "balloon", NIIF_WARNING));
    EXPECT_TRUE(icon.HideBubble());
  }
  ASSERT_EQ(shell.sent.size(), 5u);
  const auto& [addMessage, add] = shell.sent[0];
  EXPECT_EQ(addMessage, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(add.cbSize, NOTIFYICONDATAW_V2_SIZE);
  EXPECT_EQ(add.hWnd, kOwner);
  EXPECT_EQ(add.uID, 1000u);
  EXPECT_EQ(add.uFlags, 23u);
  EXPECT_EQ(add.uCallbackMessage, 0x1862u);
  EXPECT_EQ(add.hIcon, kIcon);
  EXPECT_EQ(Text(add.szTip), L"Vornhold 2\u5BA2\u6237\u7AEF");
  EXPECT_EQ(add.szTip[127], L' ');

  const auto& [modifyMessage, modify] = shell.sent[1];
  EXPECT_EQ(modifyMessage, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(modify.uCallbackMessage, 0x1862u);
  EXPECT_EQ(modify.hIcon, nullptr);
  EXPECT_EQ(Text(modify.szTip), L"x");

  const NOTIFYICONDATAW& bubble = shell.sent[2].second;
  EXPECT_EQ(Text(bubble.szInfoTitle), std::wstring(63, L't'));
  EXPECT_EQ(Text(bubble.szInfo), L"balloon");
  EXPECT_EQ(bubble.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
  EXPECT_EQ(Text(bubble.szTip), L"x");
  EXPECT_EQ(Text(shell.sent[3].second.szInfo) + Text(shell.sent[3].second.szInfoTitle), L"");

  EXPECT_EQ(shell.sent[4].first, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(shell.sent[4].second.hWnd, kOwner);
  EXPECT_EQ(shell.sent[4].second.uID, 1000u);
}

TEST(NotifyIcon, TaskbarRestartAddsItAgainUntilDeleted) {
  EXPECT_EQ(CLumNotifyIcon::TaskbarCreatedMessage(), RegisterWindowMessageW(L"TaskbarCreated"));
  Shell shell;
  {
    CLumNotifyIcon icon(shell.Seam());
    shell.answer = FALSE;  // no taskbar yet
    icon.AddNotifyIcon(kOwner, kIcon, "tip");
    shell.answer = TRUE;
    icon.ShowBubble("title", "old news", NIIF_INFO);
    EXPECT_TRUE(icon.OnTaskbarCreated());
    EXPECT_TRUE(icon.DeleteNotifyIcon());
    EXPECT_FALSE(icon.OnTaskbarCreated());
  }
  // Added, bubble, added again without the old balloon, deleted once.
  ASSERT_EQ(shell.sent.size(), 4u);
  EXPECT_EQ(shell.sent[2].first, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(Text(shell.sent[2].second.szTip), L"tip");
  EXPECT_EQ(Text(shell.sent[2].second.szInfo), L"");
  EXPECT_EQ(shell.sent[3].first, static_cast<DWORD>(NIM_DELETE));
}

TEST(NotifyIcon, WinesTrayTakesTheIconAndGivesItBack) {
  WNDCLASSW wc{};
  wc.lpszClassName = L"NotifyIconTestOwner";
  wc.lpfnWndProc = DefWindowProcW;
  RegisterClassW(&wc);
  HWND owner = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HICON appIcon = LoadIconW(nullptr, IDI_APPLICATION);
  {
    CLumNotifyIcon icon;
    EXPECT_TRUE(icon.AddNotifyIcon(owner, appIcon, "Vornhold 2客户端"));
    EXPECT_TRUE(icon.ModifyNotifyIcon(owner, appIcon, "tip"));
    EXPECT_TRUE(icon.ShowBubble("t", "i", NIIF_INFO));
    EXPECT_TRUE(icon.HideBubble());
  }
  // Gone with the object: there is nothing left to change.
  NOTIFYICONDATAW probe{};
  probe.cbSize = NOTIFYICONDATAW_V2_SIZE;
  probe.hWnd = owner;
  probe.uID = 1000;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
  DestroyWindow(owner);
}
