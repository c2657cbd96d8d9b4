// The version file as tools/publish writes it, read by the client's check
// and by the updater: both must take from it exactly what the tool put in.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "startup/UpdateSignature.h"
#include "startup/VersionFile.h"

namespace vorn2 {
namespace {

// Bytes a Python expression gives with the publishing tool imported (and
// its signed text of the version file in `file`); empty when it failed.
std::string Python(const std::string& expression) {
  const std::string script = "import sys; sys.path.insert(0, '" VORN2_PUBLISH_TOOL_DIR "'); import publish; "
                             "sys.stdout.buffer.write(" + expression + ")";
  FILE* pipe = popen(("python3 -c \"" + script + "\"").c_str(), "r");
  if (!pipe) return {};
  std::string text;
  char buffer[512];
  for (std::size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, n);
  return pclose(pipe) == 0 ? text : std::string();
}

TEST(PublishedVersionFile, ClientAndUpdaterReadWhatThePublishToolWrote) {
  const std::string sha = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
  const struct {
    const char* version;
    const char* url;
  } cases[] = {{"1.1.0", ""}, {"2.10.300-beta_1", "https://cdn.example.com/version2/vorn2.exe"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    const std::string args = "'" + std::string(c.version) + "', '" + sha + "', url=" +
                             (*c.url ? "'" + std::string(c.url) + "'" : std::string("None")) + ", length=123456";
    const std::string text = Python("publish.version_file_text(" + args + ", key=publish.load_private_key('" +
                                    VORN2_PUBLISH_TOOL_DIR "/../../keys/demo-update-key.pem'))");
    ASSERT_FALSE(text.empty()) << "python3 tools/publish did not run";
    EXPECT_EQ(FindVersionValue(text), c.version);
    const UpdateManifest manifest = ParseUpdateManifest(text);
    EXPECT_EQ(manifest.version, c.version);
    EXPECT_EQ(manifest.url, c.url);
    EXPECT_EQ(manifest.sha256, sha);
    EXPECT_EQ(manifest.length, 123456u);
    EXPECT_FALSE(manifest.sha256Malformed);
    // The updater checks the signature over the same text the tool signed.
    const std::optional<SignedUpdate> part = SignedPartOf(manifest);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->text, Python("publish.signed_text(" + args + ")"));
  }
}

}  // namespace
}  // namespace vorn2
