// The updater's signature check (the signed text, its SHA-256 and the
// ECDSA verification through CNG), timed 100 times on a version file signed
// by the devserver with the demo key this build carries.
//   bench_update.exe <version file>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "startup/win/UpdateSignatureCheck.h"
#include "vorn2/UpdateKey.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_update <version file>\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const vorn2::UpdateManifest manifest = vorn2::ParseUpdateManifest(text.str());
  // A check that fails returns early and would time the wrong thing.
  if (!vorn2::IsSignedBy(manifest, vorn2::build::kUpdatePublicKey)) {
    std::fprintf(stderr, "the version file does not verify with the built-in key\n");
    return 1;
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> micros;
  for (int i = 0; i < 100; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ok = vorn2::IsSignedBy(manifest, vorn2::build::kUpdatePublicKey);
    QueryPerformanceCounter(&end);
    if (!ok) return 1;
    micros.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
  }
  std::sort(micros.begin(), micros.end());
  std::printf("version file signature check: median %.0f us, fastest %.0f us, slowest %.0f us (100 runs)\n",
              micros[50], micros.front(), micros.back());
  std::printf("metric update.signature_check_us %.0f\n", micros[50]);
  return 0;
}
