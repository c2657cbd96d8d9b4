// Throughput of a 200 MB download from the devserver (VORN2_DEVSERVER_URL)
// with CLumDownLoadFile and with URLDownloadToFileW, under the same system.
// Prints MB/s for each and their ratio; the bench script adds curl.
#include <windows.h>
#include <urlmon.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/win/WinText.h"
#include "startup/win/CLumDownLoadFile.h"

namespace {

constexpr unsigned long long kBytes = 200ull * 1024 * 1024;

unsigned long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return (static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Result {
  bool ok = false;
  double seconds = 0;
  double mbPerSecond() const { return seconds > 0 ? kBytes / 1048576.0 / seconds : 0; }
};

void Print(const char* name, const Result& r) {
  if (r.ok)
    std::printf("%-22s %8.1f MB/s (%llu bytes in %.2f s)\n", name, r.mbPerSecond(), kBytes, r.seconds);
  else
    std::printf("%-22s failed\n", name);
}

}  // namespace

int wmain() {
  const char* base = std::getenv("VORN2_DEVSERVER_URL");
  if (!base || !*base) {
    std::fprintf(stderr, "bench_download: set VORN2_DEVSERVER_URL to the devserver's base URL\n");
    return 2;
  }
  const std::string url = std::string(base) + "/bytes/" + std::to_string(kBytes);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring target = std::wstring(temp) + L"vorn2-bench-download.bin";

  // Warm-up: connection set-up and the server's first response.
  {
    vorn2::CLumDownLoadFile warm;
    warm.DownLoadFile(std::string(base) + "/bytes/1048576", vorn2::U8(target), false, false);
  }

  Result ours;
  {
    vorn2::CLumDownLoadFile d;
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    bool ok = d.DownLoadFile(url, vorn2::U8(target), false, true);
    QueryPerformanceCounter(&t1);
    ours.ok = ok && FileSize(target) == kBytes;
    ours.seconds = Seconds(t0, t1);
    DeleteFileW(target.c_str());
  }

  Result urlmon;
  {
    CoInitialize(nullptr);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    HRESULT hr = URLDownloadToFileW(nullptr, vorn2::W(url).c_str(), target.c_str(), 0, nullptr);
    QueryPerformanceCounter(&t1);
    urlmon.ok = SUCCEEDED(hr) && FileSize(target) == kBytes;
    urlmon.seconds = Seconds(t0, t1);
    DeleteFileW(target.c_str());
    CoUninitialize();
  }

  Print("CLumDownLoadFile:", ours);
  Print("URLDownloadToFileW:", urlmon);
  if (ours.ok && urlmon.ok)
    std::printf("ratio CLumDownLoadFile / URLDownloadToFileW: %.2f\n", ours.mbPerSecond() / urlmon.mbPerSecond());
  return ours.ok && urlmon.ok ? 0 : 1;
}
