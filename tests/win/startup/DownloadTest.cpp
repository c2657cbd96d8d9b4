#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "framework/win/WinText.h"
#include "startup/win/CLumDownLoadFile.h"
#include "win/support/TestListener.h"
#include "win/support/WinTest.h"

namespace vorn2 {
namespace {

using test::DevserverUrl;

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = DevserverUrl();
    if (base_.empty()) GTEST_SKIP() << "VORN2_DEVSERVER_URL not set";
    d_.Events().QueryFileInfo = [this](std::int32_t n) { log_.push_back("QueryFileInfo " + std::to_string(n)); };
    d_.Events().Loading = [this](std::int32_t n) { log_.push_back("Loading " + std::to_string(n)); };
    d_.Events().Complete = [this] { log_.push_back("Complete"); };
  }
  std::string Url(const std::string& path) const { return base_ + path; }
  std::string Target(const std::wstring& name) const { return U8(dir_.File(name)); }

  std::string base_;
  test::TempDir dir_;
  CLumDownLoadFile d_;
  std::vector<std::string> log_;
};

std::vector<unsigned char> Pattern(std::size_t n) {
  std::vector<unsigned char> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>((i * 31 + 7) % 256);
  return v;
}

TEST_F(Download, TwentyThousandBytesWithEvents) {
  EXPECT_TRUE(d_.DownLoadFile(Url("/bytes/20000"), Target(L"a.bin"), false, true));
  EXPECT_EQ(log_, (std::vector<std::string>{"QueryFileInfo 20000", "Loading 8192", "Loading 16384", "Loading 20000",
                                            "Complete"}));
  EXPECT_EQ(test::ReadFileBytes(dir_.File(L"a.bin")), Pattern(20000));
  DWORD attributes = GetFileAttributesW(dir_.File(L"a.bin").c_str());
  EXPECT_FALSE(attributes & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Download, NotFoundCreatesAndChangesNothing) {
  EXPECT_FALSE(d_.DownLoadFile(Url("/no/such/file"), Target(L"new.bin"), false, true));
  EXPECT_FALSE(test::FileExists(dir_.File(L"new.bin")));
  EXPECT_EQ(log_, std::vector<std::string>{"Complete"});

  const std::vector<unsigned char> before = {'o', 'l', 'd'};
  ASSERT_TRUE(test::WriteFileBytes(dir_.File(L"old.bin"), before));
  EXPECT_FALSE(d_.DownLoadFile(Url("/__fault/404/bytes/100"), Target(L"old.bin"), false, false));
  EXPECT_EQ(test::ReadFileBytes(dir_.File(L"old.bin")), before);
  EXPECT_EQ(log_.size(), 1u);  // events off: nothing more
}

TEST_F(Download, NoContentLengthSavesNothing) {
  EXPECT_FALSE(d_.DownLoadFile(Url("/bytes/5000?fault=nolength"), Target(L"c.bin"), false, true));
  EXPECT_FALSE(test::FileExists(dir_.File(L"c.bin")));
  EXPECT_FALSE(d_.DownLoadFile(Url("/bytes/5000?fault=nolength&chunked=0"), Target(L"c.bin"), false, true));
  EXPECT_FALSE(test::FileExists(dir_.File(L"c.bin")));
  EXPECT_FALSE(d_.DownLoadFile(Url("/bytes/0"), Target(L"c.bin"), false, true));
  EXPECT_FALSE(test::FileExists(dir_.File(L"c.bin")));
  EXPECT_EQ(log_, (std::vector<std::string>{"Complete", "Complete", "Complete"}));
}

TEST_F(Download, OtherStatusAndRefusedConnectionFail) {
  EXPECT_FALSE(d_.DownLoadFile(Url("/bytes/100?fault=500"), Target(L"s.bin"), false, false));
  EXPECT_FALSE(test::FileExists(dir_.File(L"s.bin")));
  // Nothing listens on port 1.
  EXPECT_FALSE(d_.DownLoadFile("http://127.0.0.1:1/x", Target(L"s.bin"), false, true));
  EXPECT_EQ(log_, std::vector<std::string>{"Complete"});
}

// A port whose backlog is full and never accepted: the system lets further
// connection attempts wait. Its sockets go with the process.
std::string NeverConnectingUrl() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  sockaddr_in address{AF_INET, 0, {}, {}};
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(address);
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  bind(listener, reinterpret_cast<sockaddr*>(&address), size);
  listen(listener, 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  for (int i = 0; i < 3; ++i) {
    const SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long nonBlocking = 1;
    ioctlsocket(filler, FIONBIO, &nonBlocking);
    connect(filler, reinterpret_cast<sockaddr*>(&address), size);
  }
  Sleep(200);
  return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";
}

TEST_F(Download, ServerSilentLongerThanATimeOutFails) {
  d_.SetTimeouts({std::chrono::milliseconds(1500), std::chrono::milliseconds(1000)});
  // A send given up on keeps its helper, and the helper its event, until the system ends the call.
  test::ExpectHandlesOutliveTest(HandleKind::KernelObject, 2);
  struct Case {
    std::string url;
    bool result;
    DWORD atLeastMs, atMostMs;
  };
  const Case cases[] = {
      {NeverConnectingUrl(), false, 1400, 5000},                                   // never connected
      {Url("/__fault/stall/bytes/100"), false, 900, 4000},                         // no answer at all
      {Url("/bytes/20000?fault=slow&piece=8192&delay=1800"), false, 900, 5000},    // silent between blocks
      {Url("/bytes/20000?fault=slow&piece=8192&delay=300"), true, 800, 5000},      // slow, never silent for long
  };
  for (const Case& c : cases) {
    log_.clear();
    const DWORD start = GetTickCount();
    EXPECT_EQ(d_.DownLoadFile(c.url, Target(L"stall.bin"), false, true), c.result) << c.url;
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, c.atLeastMs) << c.url;
    EXPECT_LT(elapsed, c.atMostMs) << c.url;
    ASSERT_FALSE(log_.empty()) << c.url;
    EXPECT_EQ(log_.back(), "Complete") << c.url;
  }
  EXPECT_EQ(CLumDownLoadFile().Timeouts().stall, std::chrono::milliseconds(15000)) << "each object its own";
}

// Every call ends: by its deadline however slowly the body trickles, at once
// for a length it does not take or an https address that cannot be reached
// securely, after a few hops of a redirect loop; and no request goes on
// behind it.
TEST_F(Download, BoundedCallsEndAndLeaveNoRequestRunning) {
  using namespace std::chrono_literals;
  using F = DownloadFailure;
  test::ExpectHandlesOutliveTest(HandleKind::KernelObject, 1);  // the trickle's read, until its next byte
  const struct {
    std::string url;
    DownloadTimeouts timeouts;
    DownloadLimits limits;
    F failure;
    DWORD atLeastMs, atMostMs;
    std::size_t requests;
  } cases[] = {
      {Url("/bytes/1000?fault=slow&piece=1&delay=400"), {10s, 15s, 2s}, {}, F::TimedOut, 1900, 3500, 1},
      {Url("/__fault/huge/bytes/1?size=2147483648"), {}, {65536, {}}, F::Length, 0, 1000, 1},
      {Url("/bytes/20000"), {}, {UINT64_MAX, 20001}, F::Length, 0, 1000, 1},
      {Url("/__fault/redirect/bytes/100"), {}, {}, F::Redirects, 0, 2000, kMaxRedirects + 1},
      {"https" + Url("/bytes/100").substr(4), {}, {}, F::SecureConnection, 0, 2000, 0},  // a plain server
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    ASSERT_EQ(test::HttpRequest("DELETE", base_ + "/__admin/log"), 200);
    d_.SetTimeouts(c.timeouts);
    d_.SetLimits(c.limits);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(d_.DownLoadFile(c.url, Target(L"bounded.bin"), true, false));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(d_.LastFailure(), c.failure);
    EXPECT_GE(elapsed, c.atLeastMs);
    EXPECT_LT(elapsed, c.atMostMs);
    EXPECT_EQ(DeleteFileW(dir_.File(L"bounded.bin").c_str()) != FALSE, c.failure == F::TimedOut);
    std::string log;
    test::Pump(1000);
    test::HttpRequest("GET", base_ + "/__admin/log", "", &log);
    EXPECT_EQ(static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n')), c.requests);
  }
}

TEST_F(Download, HiddenFileIsCreatedAndReplaced) {
  const std::wstring path = dir_.File(L"update.txt");
  ASSERT_TRUE(d_.DownLoadFile(Url("/bytes/300"), U8(path), true, false));
  DWORD attributes = GetFileAttributesW(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  // A second download over the hidden (and longer) file replaces it whole.
  EXPECT_TRUE(d_.DownLoadFile(Url("/bytes/100"), U8(path), true, false));
  EXPECT_EQ(test::ReadFileBytes(path), Pattern(100));
  EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(log_.empty());
}

TEST_F(Download, CutBodyIsAFailure) {
  EXPECT_FALSE(d_.DownLoadFile(Url("/bytes/20000?fault=truncate&keep=9000"), Target(L"t.bin"), false, true));
  ASSERT_FALSE(log_.empty());
  EXPECT_EQ(log_.front(), "QueryFileInfo 20000");
  EXPECT_EQ(log_.back(), "Complete");
  EXPECT_EQ(d_.ReceivedBytes(), 9000u);
  EXPECT_FALSE(d_.DownLoadFile(Url("/bytes/20000?fault=reset&keep=9000"), Target(L"t.bin"), false, false));
}

TEST_F(Download, StopFromAHandlerKeepsWhatCameAndSucceeds) {
  d_.Events().Loading = [this](std::int32_t n) {
    log_.push_back("Loading " + std::to_string(n));
    d_.StopDownLoad();
  };
  EXPECT_TRUE(d_.DownLoadFile(Url("/bytes/100000"), Target(L"p.bin"), false, true));
  EXPECT_EQ(log_, (std::vector<std::string>{"QueryFileInfo 100000", "Loading 8192", "Complete"}));
  EXPECT_EQ(test::ReadFileBytes(dir_.File(L"p.bin")).size(), 8192u);
}

TEST_F(Download, StopFromAWindowMessageDuringTheTransfer) {
  // A posted message, handled by the pump between blocks, stops the transfer
  // of a slow body.
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  static CLumDownLoadFile* target = nullptr;
  target = &d_;
  // The stop ends the read in progress at once; its helper ends with the next piece.
  test::ExpectHandlesOutliveTest(HandleKind::KernelObject, 1);
  SetTimer(window, 1, 300, [](HWND, UINT, UINT_PTR, DWORD) { target->StopDownLoad(); });
  bool result = d_.DownLoadFile(Url("/bytes/200000?fault=slow&rate=100000"), Target(L"slow.bin"), false, true);
  KillTimer(window, 1);
  DestroyWindow(window);
  EXPECT_TRUE(result);
  std::size_t size = test::ReadFileBytes(dir_.File(L"slow.bin")).size();
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 200000u);
  EXPECT_EQ(log_.back(), "Complete");
}

TEST_F(Download, SecondCallDuringATransferIsRefused) {
  bool inner = true;
  int calls = 0;
  d_.Events().Loading = [&](std::int32_t n) {
    log_.push_back("Loading " + std::to_string(n));
    if (++calls == 1) inner = d_.DownLoadFile(Url("/bytes/10"), Target(L"inner.bin"), false, true);
  };
  EXPECT_TRUE(d_.DownLoadFile(Url("/bytes/20000"), Target(L"outer.bin"), false, true));
  EXPECT_FALSE(inner);
  EXPECT_FALSE(test::FileExists(dir_.File(L"inner.bin")));
  EXPECT_EQ(test::ReadFileBytes(dir_.File(L"outer.bin")), Pattern(20000));
  EXPECT_EQ(log_, (std::vector<std::string>{"QueryFileInfo 20000", "Loading 8192", "Loading 16384", "Loading 20000",
                                            "Complete"}));
}

}  // namespace
}  // namespace vorn2
