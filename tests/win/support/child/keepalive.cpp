// Stays alive, hidden, for the length of a test run so that the Wine desktop
// process does not exit between test programs.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Sleep(INFINITE);
  return 0;
}
