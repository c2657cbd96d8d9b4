#include "framework/win/TempFolder.h"

#include "framework/TempFolder.h"
#include "framework/win/WinText.h"

namespace vorn2 {

std::wstring GetTempFolder() { return TempFolderFrom(&GetTempPathW); }

std::wstring IconFilePath() {
  return GetTempFolder() +
         L"vorn2"
         L".ico";
}

std::wstring TempFolderFrom(TempPathQuery query) {
  // The path may be longer than MAX_PATH: ask again with the size it needs.
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD n = query(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) break;
    if (n < buffer.size()) {
      buffer.resize(n);
      return W(NormalizeTempFolder(U8(buffer)));
    }
    buffer.assign(static_cast<std::size_t>(n) + 1, L'\0');
  }
  return W(NormalizeTempFolder(""));
}

}  // namespace vorn2
