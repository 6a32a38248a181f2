// startprobe OUT: a program with setup.exe's own entry and link. A static
// object records its construction, WinMain what it was given, and the
// object's destructor, run by exit, writes the record to OUT:
//   constructed main tail=<command tail> show=<n> image=<0|1> fpu=<hex> destroyed
// Exit code 7, from WinMain.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Record {
  std::string text;
  std::string out;
  Record() { text = "constructed"; }
  ~Record() {
    text += " destroyed";
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
};

Record record;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int show) {
  unsigned short fpu = 0;
  __asm__ volatile("fnstcw %0" : "=m"(fpu));
  char line[64];
  std::snprintf(line, sizeof line, " show=%d image=%d fpu=%04x", show,
                instance == GetModuleHandleA(nullptr) ? 1 : 0, fpu);
  record.text += std::string(" main tail=") + tail + line;
  record.out = tail;
  return 7;
}
