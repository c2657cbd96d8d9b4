// CLumNotifyIcon: what it hands the shell (through its seam), when it removes
// the icon, its return after Explorer restarts, and one run against Wine's tray.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "mainwindow/win/CLumNotifyIcon.h"

using namespace vorn2;

namespace {

struct Sent {
  DWORD message;
  NOTIFYICONDATAW record;
};

struct Recorder {
  std::vector<Sent> sent;
  BOOL answer = TRUE;
  CLumNotifyIcon::ShellNotify Seam() {
    return [this](DWORD message, NOTIFYICONDATAW* data) {
      sent.push_back({message, *data});
      return answer;
    };
  }
};

std::wstring Text(const WCHAR* field) { return field; }

HWND const kOwner = reinterpret_cast<HWND>(0x1234);
HICON const kIcon = reinterpret_cast<HICON>(0x5678);

}  // namespace

TEST(NotifyIcon, AddModifyBubbleAndDeleteSendTheWholeRecord) {
  Recorder shell;
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
  const NOTIFYICONDATAW& add = shell.sent[0].record;
  EXPECT_EQ(shell.sent[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(add.cbSize, NOTIFYICONDATAW_V2_SIZE);
  EXPECT_EQ(add.hWnd, kOwner);
  EXPECT_EQ(add.uID, 1000u);
  EXPECT_EQ(add.uFlags, 23u);
  EXPECT_EQ(add.uCallbackMessage, 0x1862u);
  EXPECT_EQ(add.hIcon, kIcon);
  EXPECT_EQ(Text(add.szTip), L"Vornhold 2\u5BA2\u6237\u7AEF");
  EXPECT_EQ(add.szTip[127], L' ');
  EXPECT_EQ(Text(add.szInfo), L"");

  const NOTIFYICONDATAW& modify = shell.sent[1].record;
  EXPECT_EQ(shell.sent[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(modify.uCallbackMessage, 0x1862u);
  EXPECT_EQ(modify.hIcon, nullptr);
  EXPECT_EQ(Text(modify.szTip), L"x");

  const NOTIFYICONDATAW& bubble = shell.sent[2].record;
  EXPECT_EQ(Text(bubble.szInfoTitle), std::wstring(63, L't'));
  EXPECT_EQ(Text(bubble.szInfo), L"balloon");
  EXPECT_EQ(bubble.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
  EXPECT_EQ(bubble.uTimeout, 0u);
  EXPECT_EQ(Text(bubble.szTip), L"x");

  EXPECT_EQ(Text(shell.sent[3].record.szInfo), L"");
  EXPECT_EQ(Text(shell.sent[3].record.szInfoTitle), L"");
  // Destruction removed the icon, with the record it was added under.
  EXPECT_EQ(shell.sent[4].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(shell.sent[4].record.hWnd, kOwner);
  EXPECT_EQ(shell.sent[4].record.uID, 1000u);
}

TEST(NotifyIcon, RemovedOnceAndOnlyWhenAdded) {
  Recorder shell;
  { CLumNotifyIcon never(shell.Seam()); }
  EXPECT_TRUE(shell.sent.empty());
  {
    CLumNotifyIcon icon(shell.Seam());
    icon.AddNotifyIcon(kOwner, kIcon, "tip");
    EXPECT_TRUE(icon.DeleteNotifyIcon());
  }
  ASSERT_EQ(shell.sent.size(), 2u);
  EXPECT_EQ(shell.sent[1].message, static_cast<DWORD>(NIM_DELETE));
}

TEST(NotifyIcon, ComesBackWhenTheTaskbarIsCreatedAgain) {
  Recorder shell;
  auto icon = std::make_unique<CLumNotifyIcon>(shell.Seam());
  // The owner's window procedure forwards the registered message.
  WNDCLASSW wc{};
  wc.lpszClassName = L"NotifyIconTestOwner";
  wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == CLumNotifyIcon::TaskbarCreatedMessage()) {
      auto* owned = reinterpret_cast<CLumNotifyIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      return owned->OnTaskbarCreated();
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  };
  RegisterClassW(&wc);
  HWND owner = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(icon.get()));
  EXPECT_EQ(CLumNotifyIcon::TaskbarCreatedMessage(), RegisterWindowMessageW(L"TaskbarCreated"));

  shell.answer = FALSE;  // no taskbar yet: the add fails
  icon->AddNotifyIcon(owner, kIcon, "tip");
  shell.answer = TRUE;
  icon->ShowBubble("title", "old news", NIIF_INFO);
  EXPECT_EQ(SendMessageW(owner, CLumNotifyIcon::TaskbarCreatedMessage(), 0, 0), TRUE);
  ASSERT_EQ(shell.sent.size(), 3u);
  EXPECT_EQ(shell.sent[2].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.sent[2].record.hWnd, owner);
  EXPECT_EQ(Text(shell.sent[2].record.szTip), L"tip");
  EXPECT_EQ(Text(shell.sent[2].record.szInfo), L"");

  icon->DeleteNotifyIcon();
  EXPECT_EQ(SendMessageW(owner, CLumNotifyIcon::TaskbarCreatedMessage(), 0, 0), FALSE);
  EXPECT_EQ(shell.sent.size(), 4u);
  icon.reset();
  EXPECT_EQ(shell.sent.size(), 4u);
  DestroyWindow(owner);
}

TEST(NotifyIcon, WinesTrayTakesAndGivesBackTheIcon) {
  WNDCLASSW wc{};
  wc.lpszClassName = L"NotifyIconTestRealOwner";
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
  // The destructor took it away: there is nothing left to change.
  NOTIFYICONDATAW probe{};
  probe.cbSize = NOTIFYICONDATAW_V2_SIZE;
  probe.hWnd = owner;
  probe.uID = 1000;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
  DestroyWindow(owner);
}
