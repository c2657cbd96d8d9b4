// A DDE client in its own process, for the link tests:
//   dde_test_client <mode> <service> <topic> <command>
// ddeml-a, ddeml-w: a DDEML client of that flavour executes the command;
// ddeml-request: asks for the data item named <command> instead;
// raw-<window><text>, each a or w: an ANSI or Unicode window posts the command
// as ANSI or UTF-16 (raw-wa and raw-aw get the flavour wrong);
// slow-ww: as raw-ww, but holds the server's answer to its initiate a second.
// Exit code: 0 accepted, 1 not processed, 2 no server answered, 3 failure.
#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const std::wstring& text, bool ansi) {
  if (!ansi) {
    std::vector<unsigned char> bytes((text.size() + 1) * sizeof(wchar_t));
    std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
  }
  std::vector<unsigned char> bytes(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr));
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, reinterpret_cast<char*>(bytes.data()),
                      static_cast<int>(bytes.size()), nullptr, nullptr);
  return bytes;
}

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

int Ddeml(const std::wstring& mode, const wchar_t* service, const wchar_t* topic, const std::wstring& command) {
  const bool ansi = mode == L"ddeml-a";
  DWORD inst = 0;
  if ((ansi ? DdeInitializeA : DdeInitializeW)(&inst, NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 3;
  HCONV conv = DdeConnect(inst, DdeCreateStringHandleW(inst, service, CP_WINUNICODE),
                          DdeCreateStringHandleW(inst, topic, CP_WINUNICODE), nullptr);
  if (!conv) return 2;
  DWORD status = 0;
  std::vector<unsigned char> data = Bytes(command, ansi);
  const HDDEDATA done =
      mode == L"ddeml-request"
          ? DdeClientTransaction(nullptr, 0, conv, DdeCreateStringHandleW(inst, command.c_str(), CP_WINUNICODE),
                                 CF_UNICODETEXT, XTYP_REQUEST, 10000, &status)
          : DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()), conv, nullptr,
                                 ansi ? CF_TEXT : CF_UNICODETEXT, XTYP_EXECUTE, 10000, &status);
  const int result = done ? 0 : (DdeGetLastError(inst) == DMLERR_NOTPROCESSED ? 1 : 3);
  DdeDisconnect(conv);
  DdeUninitialize(inst);
  return result;
}

HWND g_server = nullptr;
int g_ack = -1;  // the fAck bit of the execute's answer, -1 before it
DWORD g_slowTakeMs = 0;  // how long the answer to the initiate is held

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DDE_ACK && !g_server) {  // answer to the initiate: two atoms that are now ours
    g_server = reinterpret_cast<HWND>(wParam);
    Sleep(g_slowTakeMs);
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
  } else if (msg == WM_DDE_ACK) {
    UINT_PTR status = 0, commands = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &commands);
    FreeDDElParam(WM_DDE_ACK, lParam);
    GlobalFree(reinterpret_cast<HGLOBAL>(commands));
    g_ack = (status & 0x8000) ? 1 : 0;
  }
  return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

int Raw(bool ansiWindow, const wchar_t* service, const wchar_t* topic, const std::vector<unsigned char>& data) {
  WNDCLASSA wca{0, ClientProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "DdeRawClientA"};
  WNDCLASSW wcw{0, ClientProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"DdeRawClientW"};
  HWND client = ansiWindow ? (RegisterClassA(&wca), CreateWindowA(wca.lpszClassName, "", 0, 0, 0, 0, 0, nullptr,
                                                                  nullptr, nullptr, nullptr))
                           : (RegisterClassW(&wcw), CreateWindowW(wcw.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr,
                                                                  nullptr, nullptr, nullptr));
  const ATOM app = GlobalAddAtomW(service), subject = GlobalAddAtomW(topic);
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
  MSG msg;
  for (const ULONGLONG end = GetTickCount64() + 10000; g_ack < 0 && GetTickCount64() < end;) {
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    else MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  post(g_server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
  return g_ack < 0 ? 3 : (g_ack ? 0 : 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 3;
  const std::wstring mode = argv[1];
  if (mode.compare(0, 6, L"ddeml-") == 0) return Ddeml(mode, argv[2], argv[3], argv[4]);
  if (mode == L"slow-ww") {  // raw, and slow to take the server's answer
    g_slowTakeMs = 1000;
    return Raw(false, argv[2], argv[3], Bytes(argv[4], false));
  }
  if (mode.size() == 6 && mode.compare(0, 4, L"raw-") == 0) {
    return Raw(mode[4] == L'a', argv[2], argv[3], Bytes(argv[4], mode[5] == L'a'));
  }
  return 3;
}
