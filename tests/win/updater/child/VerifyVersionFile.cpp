// The updater's signature check as a command, for the publishing tool's
// tests: VerifyVersionFile.exe <public key file> <version file>
// Exit 0 when the version file verifies with the key, 1 when it does not,
// 2 when a file cannot be read or the key file holds no key.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "startup/win/UpdateSignatureCheck.h"

namespace {

std::string ReadAll(const wchar_t* path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::istringstream keyFile(ReadAll(argv[1]));
  std::string line, hex;
  while (std::getline(keyFile, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') hex = line;
  }
  vorn2::UpdatePublicKey key{};
  if (hex.size() != 2 * key.size()) return 2;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const int high = HexDigit(hex[2 * i]), low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return 2;
    key[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  const std::string text = ReadAll(argv[2]);
  if (text.empty()) return 2;
  return vorn2::IsSignedBy(vorn2::ParseUpdateManifest(text), key) ? 0 : 1;
}
