// A DDE client in its own process, for the link tests:
//   dde_test_client <mode> <service> <topic> <command>
// modes: ddeml-a, ddeml-w (DDEML client of that flavour); ddeml-request (asks
// for the data item named by <command> instead); raw-<window><text>
// with window and text each a or w (an ANSI or Unicode window posting ANSI or
// UTF-16 text; raw-wa and raw-aw are clients that get the flavour wrong).
// Exit code: 0 accepted, 1 not processed, 2 no server answered, 3 failure.
#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> CommandBytes(const std::wstring& command, bool ansi) {
  std::vector<unsigned char> bytes;
  if (ansi) {
    const int n = WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, nullptr, 0, nullptr, nullptr);
    bytes.resize(n);
    WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, reinterpret_cast<char*>(bytes.data()), n, nullptr, nullptr);
  } else {
    bytes.resize((command.size() + 1) * sizeof(wchar_t));
    std::memcpy(bytes.data(), command.c_str(), bytes.size());
  }
  return bytes;
}

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

int DdemlExecute(bool ansi, const std::wstring& service, const std::wstring& topic, std::vector<unsigned char> data,
                 const wchar_t* requestItem = nullptr) {
  DWORD inst = 0;
  const UINT rc = ansi ? DdeInitializeA(&inst, NoCallback, APPCMD_CLIENTONLY, 0)
                       : DdeInitializeW(&inst, NoCallback, APPCMD_CLIENTONLY, 0);
  if (rc != DMLERR_NO_ERROR) return 3;
  const int cp = ansi ? CP_WINANSI : CP_WINUNICODE;
  std::string aService(service.begin(), service.end()), aTopic(topic.begin(), topic.end());
  HSZ hService = ansi ? DdeCreateStringHandleA(inst, aService.c_str(), cp) : DdeCreateStringHandleW(inst, service.c_str(), cp);
  HSZ hTopic = ansi ? DdeCreateStringHandleA(inst, aTopic.c_str(), cp) : DdeCreateStringHandleW(inst, topic.c_str(), cp);
  HCONV conv = DdeConnect(inst, hService, hTopic, nullptr);
  int result = 2;
  if (conv) {
    DWORD status = 0;
    HSZ item = requestItem ? DdeCreateStringHandleW(inst, requestItem, cp) : nullptr;
    const HDDEDATA done =
        item ? DdeClientTransaction(nullptr, 0, conv, item, CF_UNICODETEXT, XTYP_REQUEST, 10000, &status)
             : DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()), conv, nullptr,
                                    ansi ? CF_TEXT : CF_UNICODETEXT, XTYP_EXECUTE, 10000, &status);
    result = done ? 0 : (DdeGetLastError(inst) == DMLERR_NOTPROCESSED ? 1 : 3);
    DdeDisconnect(conv);
  }
  DdeUninitialize(inst);
  return result;
}

HWND g_server = nullptr;
int g_ack = -1;  // -1 none yet, else the fAck bit of the execute's answer

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DDE_ACK && !g_server) {  // answer to the initiate: two atoms that are now ours
    g_server = reinterpret_cast<HWND>(wParam);
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
    return 0;
  }
  if (msg == WM_DDE_ACK) {
    UINT_PTR status = 0, commands = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &commands);
    FreeDDElParam(WM_DDE_ACK, lParam);
    GlobalFree(reinterpret_cast<HGLOBAL>(commands));
    g_ack = (status & 0x8000) ? 1 : 0;
    return 0;
  }
  return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RawExecute(bool ansiWindow, const std::wstring& service, const std::wstring& topic,
               const std::vector<unsigned char>& data) {
  HWND client;
  if (ansiWindow) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ClientProc;
    wc.lpszClassName = "DdeRawClientA";
    RegisterClassA(&wc);
    client = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  } else {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ClientProc;
    wc.lpszClassName = L"DdeRawClientW";
    RegisterClassW(&wc);
    client = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  }
  const ATOM app = GlobalAddAtomW(service.c_str());
  const ATOM subject = GlobalAddAtomW(topic.c_str());
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client), MAKELPARAM(app, subject),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  GlobalDeleteAtom(app);
  GlobalDeleteAtom(subject);
  if (!g_server) return 2;

  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, data.size());
  std::memcpy(GlobalLock(memory), data.data(), data.size());
  GlobalUnlock(memory);
  const auto post = ansiWindow ? PostMessageA : PostMessageW;
  post(g_server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client), reinterpret_cast<LPARAM>(memory));
  const ULONGLONG end = GetTickCount64() + 10000;
  MSG msg;
  while (g_ack < 0 && GetTickCount64() < end) {
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
  }
  post(g_server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
  return g_ack < 0 ? 3 : (g_ack ? 0 : 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 3;
  const std::wstring mode = argv[1];
  if (mode == L"ddeml-request") return DdemlExecute(false, argv[2], argv[3], {}, argv[4]);
  if (mode == L"ddeml-a" || mode == L"ddeml-w") {
    const bool ansi = mode == L"ddeml-a";
    return DdemlExecute(ansi, argv[2], argv[3], CommandBytes(argv[4], ansi));
  }
  if (mode.size() == 6 && mode.compare(0, 4, L"raw-") == 0) {
    return RawExecute(mode[4] == L'a', argv[2], argv[3], CommandBytes(argv[4], mode[5] == L'a'));
  }
  return 3;
}
