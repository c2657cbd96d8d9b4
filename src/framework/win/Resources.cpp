#include "framework/win/Resources.h"

#include <cstdint>
#include <cstring>

#include "framework/win/Handles.h"

namespace vorn2 {

std::vector<unsigned char> ReadResourceBytes(int id, const wchar_t* type, HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  HRSRC res = FindResourceExW(module, type, MAKEINTRESOURCEW(id), chinese);
  if (!res) res = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!res) return {};
  HGLOBAL loaded = LoadResource(module, res);
  DWORD size = SizeofResource(module, res);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  const auto* p = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(p, p + size);
}

HICON IconFromIcoBytes(const std::vector<unsigned char>& ico, int size) {
  // ICONDIR: reserved(2) type(2)=1 count(2); entries of 16 bytes.
  if (ico.size() < 6) return nullptr;
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>(ico[at] | (ico[at + 1] << 8)); };
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(ico[at] | (ico[at + 1] << 8) | (ico[at + 2] << 16) |
                                      (static_cast<std::uint32_t>(ico[at + 3]) << 24));
  };
  if (u16(0) != 0 || u16(2) != 1) return nullptr;
  const unsigned count = u16(4);
  if (ico.size() < 6 + 16ull * count) return nullptr;
  int best = -1;
  int bestSize = 0;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16ull * i;
    const int w = ico[e] == 0 ? 256 : ico[e];
    const std::uint32_t bytes = u32(e + 8), offset = u32(e + 12);
    if (offset > ico.size() || bytes > ico.size() - offset) continue;
    const bool better = best < 0 || (w >= size && (bestSize < size || w < bestSize)) ||
                        (w < size && bestSize < size && w > bestSize);
    if (better) {
      best = static_cast<int>(i);
      bestSize = w;
    }
  }
  if (best < 0) return nullptr;
  const std::size_t e = 6 + 16ull * static_cast<unsigned>(best);
  std::vector<unsigned char> image(ico.begin() + u32(e + 12), ico.begin() + u32(e + 12) + u32(e + 8));
  return CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, size, size,
                                  LR_DEFAULTCOLOR);
}

bool SaveResourceToFile(int id, const wchar_t* type, const std::wstring& path) {
  std::vector<unsigned char> bytes = ReadResourceBytes(id, type);
  if (bytes.empty()) return false;
  // OPEN_ALWAYS + SetEndOfFile rather than CREATE_ALWAYS: an existing hidden
  // file would refuse CREATE_ALWAYS with normal attributes.
  UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && SetEndOfFile(file.get());
  // The close may be where a write-back fails.
  return CloseChecked(file) && ok;
}

}  // namespace vorn2
