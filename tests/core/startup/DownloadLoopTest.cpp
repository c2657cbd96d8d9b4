#include "startup/DownloadLoop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace vorn2 {
namespace {

// A scripted server answer and an in-memory target file.
class FakeSession : public IDownloadSession {
 public:
  bool internetOk = true, urlOk = true, statusOk = true, lengthOk = true, createOk = true;
  std::uint32_t status = 200;
  std::uint64_t contentLength = 0;
  std::string body;              // delivered from here, up to blockLimit per read
  std::uint64_t syntheticBytes = 0;  // or this many bytes without content
  std::uint32_t blockLimit = kDownloadBlockSize;
  int failReadAt = -1;   // index of the read that fails
  int failWriteAt = -1;  // index of the write that fails
  std::function<void()> onPump;
  std::vector<std::pair<std::uint32_t, std::string>> hops;  // answers before the body's: status, Location

  std::vector<std::string> calls;
  bool targetExists = false, targetHidden = false;
  std::string written;
  std::uint64_t writtenCount = 0;
  std::size_t pos = 0;
  int reads = 0, writes = 0, pumps = 0;
  std::uint32_t largestRequest = 0;

  bool OpenInternet() override { calls.push_back("OpenInternet"); return internetOk; }
  bool OpenUrl(const std::string& url) override { calls.push_back("OpenUrl " + url); return urlOk; }
  bool QueryStatusCode(std::uint32_t& s) override {
    calls.push_back("Status");
    if (statusOk) s = hops.empty() ? status : hops.front().first;
    return statusOk;
  }
  bool QueryLocation(std::string& location) override {
    if (hops.empty() || hops.front().second.empty()) return false;
    location = hops.front().second;
    return true;
  }
  void Abandon() override {}
  std::optional<DownloadFailure> FailureCause() const override { return std::nullopt; }
  bool QueryContentLength(std::uint64_t& l) override {
    calls.push_back("Length");
    if (lengthOk) l = contentLength;
    return lengthOk;
  }
  bool CreateTarget(const std::string& path, bool hidden) override {
    calls.push_back("Create " + path);
    if (!createOk) return false;
    targetExists = true;
    targetHidden = hidden;
    written.clear();
    return true;
  }
  bool Read(unsigned char* buffer, std::uint32_t size, std::uint32_t& got) override {
    largestRequest = std::max(largestRequest, size);
    if (reads++ == failReadAt) return false;
    std::uint32_t limit = std::min(size, blockLimit);
    if (syntheticBytes > 0) {
      std::uint64_t left = syntheticBytes - pos;
      got = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, limit));
    } else {
      got = static_cast<std::uint32_t>(std::min<std::size_t>(body.size() - pos, limit));
      std::memcpy(buffer, body.data() + pos, got);
    }
    pos += got;
    return true;
  }
  bool Write(const unsigned char* data, std::uint32_t size) override {
    if (writes++ == failWriteAt) return false;
    if (syntheticBytes == 0) written.append(reinterpret_cast<const char*>(data), size);
    writtenCount += size;
    return true;
  }
  void CloseTarget() override { calls.push_back("CloseTarget"); }
  void CloseUrl() override {
    calls.push_back("CloseUrl");
    if (!hops.empty()) hops.erase(hops.begin());
  }
  void CloseInternet() override { calls.push_back("CloseInternet"); }
  void PumpPendingMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
};

// Records the events as text, in order.
struct Recorder {
  std::vector<std::string> log;
  DownloadEvents events() {
    DownloadEvents e;
    e.QueryFileInfo = [this](std::int32_t n) { log.push_back("QueryFileInfo " + std::to_string(n)); };
    e.Loading = [this](std::int32_t n) { log.push_back("Loading " + std::to_string(n)); };
    e.Complete = [this] { log.push_back("Complete"); };
    return e;
  }
};

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) % 256);
  return s;
}

TEST(DownloadLoop, WholeBodyInBlocksWithEventsInOrder) {
  FakeSession s;
  s.body = Pattern(20000);
  s.contentLength = 20000;
  Recorder r;
  DownloadLoop loop;
  EXPECT_TRUE(loop.Run(s, "http://h/f", "C:\\t\\f.bin", false, true, r.events()));
  EXPECT_EQ(r.log, (std::vector<std::string>{"QueryFileInfo 20000", "Loading 8192", "Loading 16384", "Loading 20000",
                                             "Complete"}));
  EXPECT_EQ(s.written, s.body);
  EXPECT_FALSE(s.targetHidden);
  EXPECT_EQ(s.largestRequest, 8192u);
  EXPECT_EQ(s.pumps, 3);  // once after every block
  EXPECT_EQ(s.calls.front(), "OpenInternet");
  EXPECT_EQ(s.calls[1], "OpenUrl http://h/f");
  EXPECT_EQ(s.calls[4], "Create C:\\t\\f.bin");
  // Request closed before the internet handle, file before both.
  EXPECT_EQ((std::vector<std::string>(s.calls.end() - 3, s.calls.end())),
            (std::vector<std::string>{"CloseTarget", "CloseUrl", "CloseInternet"}));
}

TEST(DownloadLoop, HiddenFlagReachesTheTargetAndEventsOffRaisesNothing) {
  FakeSession s;
  s.body = "version=1.1.0\r\n";
  s.contentLength = s.body.size();
  Recorder r;
  DownloadLoop loop;
  EXPECT_TRUE(loop.Run(s, "u", "p", true, false, r.events()));
  EXPECT_TRUE(s.targetHidden);
  EXPECT_EQ(s.written, s.body);
  EXPECT_TRUE(r.log.empty());
}

TEST(DownloadLoop, RefusedAnswersCreateNoFileAndStillComplete) {
  struct Case {
    const char* name;
    std::function<void(FakeSession&)> setup;
  };
  std::vector<Case> cases = {
      {"no internet", [](FakeSession& s) { s.internetOk = false; }},
      {"url not opened", [](FakeSession& s) { s.urlOk = false; }},
      {"404", [](FakeSession& s) { s.status = 404; }},
      {"status unreadable", [](FakeSession& s) { s.statusOk = false; }},
      {"no content length", [](FakeSession& s) { s.lengthOk = false; }},
      {"zero content length", [](FakeSession& s) { s.contentLength = 0; }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSession s;
    s.body = "abc";
    s.contentLength = 3;
    c.setup(s);
    for (bool events : {true, false}) {
      FakeSession run = s;
      Recorder r;
      DownloadLoop loop;
      EXPECT_FALSE(loop.Run(run, "u", "p", false, events, r.events()));
      EXPECT_FALSE(run.targetExists);
      EXPECT_EQ(r.log, events ? std::vector<std::string>{"Complete"} : std::vector<std::string>{});
      // Every handle that was opened is closed again.
      int opened = 0;
      for (auto& call : run.calls) {
        if (call == "OpenInternet" && run.internetOk) ++opened;
        if (call.rfind("OpenUrl", 0) == 0 && run.urlOk) ++opened;
        if (call == "CloseInternet" || call == "CloseUrl") --opened;
      }
      EXPECT_EQ(opened, 0);
    }
  }
}

TEST(DownloadLoop, FileThatCannotBeCreatedFailsAfterQueryFileInfo) {
  FakeSession s;
  s.body = "abc";
  s.contentLength = 3;
  s.createOk = false;
  Recorder r;
  DownloadLoop loop;
  EXPECT_FALSE(loop.Run(s, "u", "p", false, true, r.events()));
  EXPECT_EQ(r.log, (std::vector<std::string>{"QueryFileInfo 3", "Complete"}));
  EXPECT_EQ(s.reads, 0);
}

TEST(DownloadLoop, BodyShorterThanItsLengthIsAFailure) {
  FakeSession s;
  s.body = Pattern(10000);
  s.contentLength = 20000;  // server closed after half
  Recorder r;
  DownloadLoop loop;
  EXPECT_FALSE(loop.Run(s, "u", "p", false, true, r.events()));
  EXPECT_EQ(r.log, (std::vector<std::string>{"QueryFileInfo 20000", "Loading 8192", "Loading 10000", "Complete"}));
  EXPECT_EQ(s.written, s.body);  // what arrived stays in the file
  EXPECT_EQ(loop.Received(), 10000u);
}

TEST(DownloadLoop, ReadOrWriteFailureIsAFailure) {
  FakeSession readFails;
  readFails.body = Pattern(20000);
  readFails.contentLength = 20000;
  readFails.failReadAt = 1;
  DownloadLoop loop;
  EXPECT_FALSE(loop.Run(readFails, "u", "p", false, false, {}));
  EXPECT_EQ(readFails.writes, 1);

  FakeSession writeFails;
  writeFails.body = Pattern(20000);
  writeFails.contentLength = 20000;
  writeFails.failWriteAt = 2;  // the last block; the total would still add up if it were counted
  EXPECT_FALSE(loop.Run(writeFails, "u", "p", false, false, {}));
}

TEST(DownloadLoop, BodyLongerThanItsLengthIsAFailure) {
  FakeSession s;
  s.body = Pattern(300);
  s.contentLength = 200;
  DownloadLoop loop;
  EXPECT_FALSE(loop.Run(s, "u", "p", false, false, {}));
}

TEST(DownloadLoop, StopFromAHandlerEndsAfterTheCurrentBlockAndReturnsTrue) {
  FakeSession s;
  s.body = Pattern(50000);
  s.contentLength = 50000;
  Recorder r;
  DownloadLoop loop;
  DownloadEvents e = r.events();
  auto loading = e.Loading;
  e.Loading = [&](std::int32_t n) {
    loading(n);
    if (n >= 16384) loop.Stop();
  };
  EXPECT_TRUE(loop.Run(s, "u", "p", false, true, e));
  EXPECT_EQ(r.log, (std::vector<std::string>{"QueryFileInfo 50000", "Loading 8192", "Loading 16384", "Complete"}));
  EXPECT_EQ(s.written.size(), 16384u);
  EXPECT_EQ(s.calls[s.calls.size() - 3], "CloseTarget");

  // The next call starts afresh: the stop flag does not carry over.
  FakeSession again;
  again.body = Pattern(20000);
  again.contentLength = 20000;
  EXPECT_TRUE(loop.Run(again, "u", "p", false, false, {}));
  EXPECT_EQ(again.written.size(), 20000u);
}

TEST(DownloadLoop, StopFromTheMessagePumpWorksToo) {
  FakeSession s;
  s.body = Pattern(50000);
  s.contentLength = 50000;
  DownloadLoop loop;
  s.onPump = [&] { loop.Stop(); };
  EXPECT_TRUE(loop.Run(s, "u", "p", false, false, {}));
  EXPECT_EQ(s.written.size(), 8192u);
}

TEST(DownloadLoop, SecondCallWhileRunningIsRefusedAndLeavesTheFirstAlone) {
  FakeSession outer;
  outer.body = Pattern(30000);
  outer.contentLength = 30000;
  DownloadLoop loop;
  Recorder r;
  bool innerResult = true;
  FakeSession inner;
  inner.body = "x";
  inner.contentLength = 1;
  int pumps = 0;
  outer.onPump = [&] {
    if (++pumps == 1) {
      loop.Stop();  // a stop asked before the nested call must survive it
      innerResult = loop.Run(inner, "u2", "p2", false, true, r.events());
    }
  };
  EXPECT_TRUE(loop.Run(outer, "u", "p", false, true, r.events()));
  EXPECT_FALSE(innerResult);
  EXPECT_TRUE(inner.calls.empty());
  EXPECT_EQ(outer.written.size(), 8192u);  // the stop still took effect
  EXPECT_EQ(r.log, (std::vector<std::string>{"QueryFileInfo 30000", "Loading 8192", "Complete"}));
  EXPECT_FALSE(loop.Running());
}

TEST(DownloadLoop, CountsBeyondTwoGigabytesWithoutOverflow) {
  // 3 GiB (more than a 32-bit signed total holds) and 4 GiB + 1 (more than
  // an unsigned one): the announced length must match exactly for success.
  for (std::uint64_t size : {3221225472ull, 4294967297ull}) {
    FakeSession s;
    s.syntheticBytes = size;
    s.contentLength = size;
    std::int32_t lastLoading = 0, total = 0;
    bool negative = false;
    DownloadEvents e;
    e.QueryFileInfo = [&](std::int32_t n) { total = n; };
    e.Loading = [&](std::int32_t n) {
      if (n < lastLoading) negative = true;
      lastLoading = n;
    };
    DownloadLoop loop;
    EXPECT_TRUE(loop.Run(s, "u", "p", false, true, e)) << size;
    EXPECT_EQ(loop.Received(), size);
    EXPECT_EQ(s.writtenCount, size);
    // Events keep their 32-bit argument: held at the maximum, never wrapping.
    EXPECT_EQ(total, 2147483647);
    EXPECT_EQ(lastLoading, 2147483647);
    EXPECT_FALSE(negative);
  }
}

// What one call takes: a Content-Length within its limits, never more of the
// body than that length, a few redirects within http(s) and never from https
// to http. Every request is closed before the next one goes out.
TEST(DownloadLoop, LimitsAndRedirectsOfOneCall) {
  using F = DownloadFailure;
  using Hops = std::vector<std::pair<std::uint32_t, std::string>>;
  const std::string u = "http://h/d/u.txt";
  const Hops three = {{302, "/a"}, {301, "b?x#f"}, {307, "//o:81/c"}}, loop(kMaxRedirects + 1, {302, "/d/u.txt"});
  const std::vector<std::string> threeOpened = {u, "http://h/a", "http://h/b?x", "http://o:81/c"};
  const struct {
    const char* name;
    std::string url;
    Hops hops;
    DownloadLimits limits;
    std::uint64_t served;
    F failure;
    std::vector<std::string> opened;
  } cases[] = {
      {"above the limit", u, {}, {19999, {}}, 20000, F::Length, {u}},
      {"other than the signed length", u, {}, {UINT64_MAX, 20001}, 20000, F::Length, {u}},
      {"the signed length", u, {}, {UINT64_MAX, 20000}, 20000, F::None, {u}},
      {"body longer than announced", u, {}, {}, 30000, F::Transfer, {u}},
      {"redirects", u, three, {}, 20000, F::None, threeOpened},
      {"a loop", u, loop, {}, 20000, F::Redirects, std::vector<std::string>(kMaxRedirects + 1, u)},
      {"https to http", "https://h/u", {{302, "http://h/u"}}, {}, 20000, F::Redirects, {"https://h/u"}},
      {"to another scheme", u, {{302, "file:///c:/x"}}, {}, 20000, F::Redirects, {u}},
      {"no location", u, {{303, ""}}, {}, 20000, F::Redirects, {u}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSession s;
    s.body = Pattern(c.served);
    s.contentLength = 20000;
    s.hops = c.hops;
    DownloadLoop loop;
    EXPECT_EQ(loop.Run(s, c.url, "p", false, false, {}, c.limits), c.failure == F::None);
    EXPECT_EQ(loop.LastFailure(), c.failure);
    std::vector<std::string> opened;
    int open = 0;
    for (const std::string& call : s.calls) {
      if (call.rfind("OpenUrl ", 0) == 0) opened.push_back(call.substr(8)), ++open;
      if (call == "CloseUrl") --open;
      EXPECT_LE(open, 1) << "a request still open";
    }
    EXPECT_EQ(opened, c.opened);
    EXPECT_EQ(open, 0);
    // Refused before the file is made; never more read than announced.
    EXPECT_EQ(s.targetExists, c.failure == F::None || c.failure == F::Transfer);
    EXPECT_LE(s.pos, 20001u);
  }
}

TEST(DownloadLoop, ContentLengthTextIsAPlainNumber) {
  EXPECT_EQ(ParseContentLength("20000"), 20000u);
  EXPECT_EQ(ParseContentLength(" 0 "), 0u);
  EXPECT_EQ(ParseContentLength("5368709120"), 5368709120ull);
  EXPECT_EQ(ParseContentLength("18446744073709551615"), 18446744073709551615ull);
  for (const char* bad : {"", " ", "-1", "+5", "12a", "1 2", "0x10", "18446744073709551616", "99999999999999999999"}) {
    EXPECT_FALSE(ParseContentLength(bad)) << bad;
  }
}

}  // namespace
}  // namespace vorn2
