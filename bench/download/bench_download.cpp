// Throughput of a 200 MB download from the devserver (VORN2_DEVSERVER_URL)
// with CLumDownLoadFile and with URLDownloadToFileW, under the same system.
// Prints MB/s for each (median of alternating rounds) and their ratio; the
// bench script adds curl.
#include <windows.h>
#include <urlmon.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// The median time of the rounds; failed when any round failed.
Result Median(std::vector<Result> rounds) {
  Result r;
  for (const Result& x : rounds)
    if (!x.ok) return r;
  std::sort(rounds.begin(), rounds.end(), [](const Result& a, const Result& b) { return a.seconds < b.seconds; });
  return rounds[rounds.size() / 2];
}

void Print(const char* name, const Result& r) {
  if (r.ok)
    std::printf("%-22s %8.1f MB/s (%llu bytes in %.2f s, median of 3)\n", name, r.mbPerSecond(), kBytes, r.seconds);
  else std::printf("%-22s failed\n", name);
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

  // Alternating rounds, the median of each: the machine's other load varies.
  constexpr int kRounds = 3;
  std::vector<Result> ours, urlmon;
  CoInitialize(nullptr);
  for (int round = 0; round < kRounds; ++round) {
    {
      vorn2::CLumDownLoadFile d;
      LARGE_INTEGER t0, t1;
      QueryPerformanceCounter(&t0);
      bool ok = d.DownLoadFile(url, vorn2::U8(target), false, true);
      QueryPerformanceCounter(&t1);
      ours.push_back({ok && FileSize(target) == kBytes, Seconds(t0, t1)});
      DeleteFileW(target.c_str());
    }
    {
      LARGE_INTEGER t0, t1;
      QueryPerformanceCounter(&t0);
      HRESULT hr = URLDownloadToFileW(nullptr, vorn2::W(url).c_str(), target.c_str(), 0, nullptr);
      QueryPerformanceCounter(&t1);
      urlmon.push_back({SUCCEEDED(hr) && FileSize(target) == kBytes, Seconds(t0, t1)});
      DeleteFileW(target.c_str());
    }
  }
  CoUninitialize();
  const Result ourMedian = Median(ours), urlmonMedian = Median(urlmon);

  Print("CLumDownLoadFile:", ourMedian);
  Print("URLDownloadToFileW:", urlmonMedian);
  if (ourMedian.ok) std::printf("metric download.clumdownloadfile_mb_s %.1f\n", ourMedian.mbPerSecond());
  if (urlmonMedian.ok) std::printf("metric download.urldownloadtofile_mb_s %.1f\n", urlmonMedian.mbPerSecond());
  if (ourMedian.ok && urlmonMedian.ok)
    std::printf("ratio CLumDownLoadFile / URLDownloadToFileW: %.2f\n",
                ourMedian.mbPerSecond() / urlmonMedian.mbPerSecond());
  return ourMedian.ok && urlmonMedian.ok ? 0 : 1;
}
