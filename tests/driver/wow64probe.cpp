// wow64probe: prints what the setup's platform layer says about WOW64, so an
// end-to-end suite can tell a 64-bit prefix from a 32-bit one through the
// very code the setup runs. Output: "wow64=1" or "wow64=0" on stdout.
#include <cstdio>

#include "platform/win32/win32_system.cpp"

int main() {
  scr::Win32System system;
  std::printf("wow64=%d\n", system.IsWow64() ? 1 : 0);
  return 0;
}
