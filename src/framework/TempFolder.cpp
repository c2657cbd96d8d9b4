#include "framework/TempFolder.h"

namespace vorn2 {

std::string NormalizeTempFolder(std::string_view path) {
  std::string out(path.substr(0, path.find('\0')));
  while (out.size() > 1 && out.back() == '\\' && out[out.size() - 2] == '\\') out.pop_back();
  if (out.empty() || out.back() != '\\') out.push_back('\\');
  return out;
}

}  // namespace vorn2
