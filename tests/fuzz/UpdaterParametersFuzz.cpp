// The updater's argument string: whatever a command line can carry.
#include <cstdint>
#include <string>

#include "framework/Text.h"
#include "fuzz/FuzzSupport.h"
#include "startup/UpdaterLaunch.h"

using namespace vorn2;

namespace {

bool EndsWithExe(std::string_view s) { return s.size() > 4 && AsciiLower(s.substr(s.size() - 4)) == ".exe"; }

std::string_view WithoutTrailingBackslash(std::string_view folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.remove_suffix(1);
  return folder;
}

// The same path for the file system: letters in any case, and a doubled
// separator (after a UNC path's leading pair) counts once.
std::string SamePath(std::string_view path) {
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 1 && path[i] == '\\' && out.back() == '\\') continue;
    out.push_back(path[i]);
  }
  return AsciiLower(out);
}

void CheckAccepted(const UpdaterTarget& t) {
  const std::string& folder = t.installFolder;
  const std::string& client = t.clientPath;
  FUZZ_CHECK(folder.size() >= 3);
  FUZZ_CHECK((folder[1] == ':' && folder[2] == '\\') || (folder[0] == '\\' && folder[1] == '\\'));
  for (const std::string* s : {&folder, &client}) {
    FUZZ_CHECK(s->find_first_of("|\"*?<>") == std::string::npos);
  }
  // The client sits directly in the folder and is an .exe.
  const std::string name = FileNameOf(client);
  FUZZ_CHECK(EndsWithExe(name));
  FUZZ_CHECK(name.find_first_of("/:") == std::string::npos);
  FUZZ_CHECK(client.size() > name.size() && client[client.size() - name.size() - 1] == '\\');
  FUZZ_CHECK(WithoutTrailingBackslash(SamePath(InstallFolderOf(client))) ==
             WithoutTrailingBackslash(SamePath(folder)));

  // What the client would pass for that path reads back as the same target.
  const auto again = ParseUpdaterParameters(UpdaterParameters(client));
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(again->installFolder == InstallFolderOf(client));
  FUZZ_CHECK(SamePath(again->clientPath) == SamePath(client));
}

// The path helpers on any text.
void CheckPathPieces(const std::string& path) {
  const std::string name = FileNameOf(path);
  FUZZ_CHECK(name.find('\\') == std::string::npos);
  FUZZ_CHECK(path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0);
  const std::string exe = ExeNameOf(path);
  FUZZ_CHECK(name.compare(0, exe.size(), exe) == 0);
  const std::string folder = InstallFolderOf(path);
  if (path.find('\\') == std::string::npos) FUZZ_CHECK(folder.empty());
  else FUZZ_CHECK(path.compare(0, WithoutTrailingBackslash(folder).size(), WithoutTrailingBackslash(folder)) == 0);
  const std::string url = DefaultClientUrl(path, name);
  FUZZ_CHECK(url.size() >= name.size() && url.compare(url.size() - name.size(), name.size(), name) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryBound bound(size, 64);
  const std::string arguments(reinterpret_cast<const char*>(data), size);
  if (const auto target = ParseUpdaterParameters(arguments)) CheckAccepted(*target);
  CheckPathPieces(arguments);
  return 0;
}
