#include "WinTest.h"

#include <wininet.h>

#include <cstdlib>
#include <fstream>

#include "framework/win/MessageLoop.h"
#include "framework/win/WinText.h"

namespace vorn2::test {

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!pred()) {
    if (GetTickCount64() >= end) return pred();
    PumpMessagesFor(10);
  }
  return true;
}

void Pump(DWORD ms) { PumpMessagesFor(ms); }

std::string DevserverUrl() {
  const char* url = std::getenv("VORN2_DEVSERVER_URL");
  return url ? url : "";
}

int HttpRequest(const std::string& method, const std::string& url, const std::string& body, std::string* response) {
  HINTERNET net = InternetOpenW(L"vorn2-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!net) return 0;
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  wchar_t host[256] = {}, path[2048] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  std::wstring wurl = W(url);
  int status = 0;
  if (InternetCrackUrlW(wurl.c_str(), 0, 0, &parts)) {
    HINTERNET conn = InternetConnectW(net, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (conn) {
      HINTERNET req = HttpOpenRequestW(conn, W(method).c_str(), path, nullptr, nullptr, nullptr,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
      if (req && HttpSendRequestW(req, nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
        DWORD code = 0, len = sizeof(code);
        if (HttpQueryInfoW(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &len, nullptr)) {
          status = static_cast<int>(code);
        }
        if (response) {
          response->clear();
          char buf[8192];
          DWORD got = 0;
          while (InternetReadFile(req, buf, sizeof(buf), &got) && got > 0) response->append(buf, got);
        }
      }
      if (req) InternetCloseHandle(req);
      InternetCloseHandle(conn);
    }
  }
  InternetCloseHandle(net);
  return status;
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static int counter = 0;
  for (;;) {
    path_ = std::wstring(base) + L"vorn2-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

static void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

TempDir::~TempDir() { RemoveTree(path_); }

std::vector<unsigned char> ReadFileBytes(const std::wstring& path) {
  std::vector<unsigned char> out;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  unsigned char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got > 0) out.insert(out.end(), buf, buf + got);
  CloseHandle(h);
  return out;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

PromptScript::PromptScript(std::vector<int> answers) : answers_(std::move(answers)) {
  previous_ = SetPromptHook([this](const PromptRequest& r) {
    asked_.push_back(r);
    std::size_t i = asked_.size() - 1;
    if (answers_.empty()) return IDOK;
    return answers_[i < answers_.size() ? i : answers_.size() - 1];
  });
}

PromptScript::~PromptScript() { SetPromptHook(std::move(previous_)); }

int RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  // Keep our own windows alive while the child runs.
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (true) {
    ULONGLONG now = GetTickCount64();
    DWORD wait = now >= end ? 0 : static_cast<DWORD>(end - now);
    DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, wait, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) {
      GetExitCodeProcess(pi.hProcess, &code);
      break;
    }
    if (r == WAIT_OBJECT_0 + 1) {
      PumpPendingMessages();
      continue;
    }
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
    code = static_cast<DWORD>(-1);
    break;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

std::wstring BesideThisProgram(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

HWND FindMessageBox(DWORD processId) {
  struct Search {
    DWORD pid;
    HWND found;
  } search{processId, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        // Visible only once the box has its texts.
        if (pid == s->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindOwnMessageBox() { return FindMessageBox(GetCurrentProcessId()); }

void ClickWithPointer(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

ScreenCopy::ScreenCopy() : dc_(CreateCompatibleDC(nullptr)) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  bitmap_ = CreateCompatibleBitmap(screen, w, h);
  previous_ = SelectObject(dc_, bitmap_);
  BitBlt(dc_, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);
}

ScreenCopy::~ScreenCopy() {
  SelectObject(dc_, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

}  // namespace vorn2::test
