// Helpers for the tests that run under Wine.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "framework/win/Prompt.h"

namespace vorn2::test {

// Runs messages until pred() holds or the time is up; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);
void Pump(DWORD ms);

// Base URL of the devserver started by the test script ("http://127.0.0.1:N"),
// empty when none runs.
std::string DevserverUrl();
// HTTP request against the devserver (admin API); returns the status code,
// 0 when the request failed. Body of the answer in *response when given.
int HttpRequest(const std::string& method, const std::string& url, const std::string& body = {},
                std::string* response = nullptr);

// A fresh empty folder under the temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::wstring& path() const { return path_; }  // no trailing backslash
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

std::vector<unsigned char> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::wstring& path);

// Answers every Prompt() while alive with the given answers in turn (the
// last one repeats) and records what was asked.
class PromptScript {
 public:
  explicit PromptScript(std::vector<int> answers = {IDOK});
  ~PromptScript();
  const std::vector<PromptRequest>& asked() const { return asked_; }

 private:
  std::vector<int> answers_;
  std::vector<PromptRequest> asked_;
  PromptHook previous_;
};

// Runs a program and waits; returns its exit code, or -1 on failure/timeout
// (then the process is killed).
int RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30000);

// Path of a file next to the running test program.
std::wstring BesideThisProgram(const std::wstring& name);

// A shown top-level window of that process with the class "#32770" (a
// message box), or nullptr.
HWND FindMessageBox(DWORD processId);
HWND FindOwnMessageBox();

// A left click on a window with the pointer over its middle (the skinned
// buttons raise Click only then).
void ClickWithPointer(HWND hwnd);

// The whole screen as it is now, read pixel by pixel without a round trip each.
class ScreenCopy {
 public:
  ScreenCopy();
  ~ScreenCopy();
  ScreenCopy(const ScreenCopy&) = delete;
  ScreenCopy& operator=(const ScreenCopy&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

}  // namespace vorn2::test
