// The entry of setup.exe, in place of MinGW's start-up code (crt2.o), which
// the link leaves out (cmake/win32.cmake). That code is made for every kind
// of program: it builds the C argument vector and environment for main,
// applies run-time pseudo-relocations, runs TLS callbacks and installs an
// exception filter and a math-error hook. This program reads its command
// line itself, imports no data, has no thread-local data and sets no
// signal handler, so none of that is needed, and it all travels with every
// published screensaver. What a C++ program relies on stays: the C run
// time's own set-up (msvcrt.dll does most of it when it loads), static
// constructors before WinMain, and exit, which runs the functions given to
// atexit, static destructors among them.
#include <float.h>
#include <stdlib.h>
#include <windows.h>

extern "C" {

// Declared by the C run time's internal headers only.
void __cdecl __set_app_type(int type);

// The lists of static constructors and destructors that the linker's
// script gathers from the .ctors and .dtors sections: a count or -1, the
// functions, a null entry.
using StaticFunction = void (*)();
extern StaticFunction __CTOR_LIST__[];
extern StaticFunction __DTOR_LIST__[];

// MinGW's start-up code defined atexit; the C run time exports _onexit.
int __cdecl atexit(void(__cdecl* function)()) {
  return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}

}  // extern "C"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_tail, int show);

namespace {

constexpr int kGuiApp = 2;  // run-time errors go to a message box, not stderr

void RunStaticDestructors() {
  for (StaticFunction* destructor = __DTOR_LIST__ + 1; *destructor; ++destructor) (*destructor)();
}

// From the last entry to the first, as libgcc runs a .ctors list: the
// order that GCC's constructor priorities assume.
void RunStaticConstructors() {
  size_t count = reinterpret_cast<size_t>(__CTOR_LIST__[0]);
  if (count == static_cast<size_t>(-1)) {  // not counted by the linker: up to the null entry
    count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
  }
  for (; count > 0; --count) __CTOR_LIST__[count]();
  atexit(RunStaticDestructors);
}

// The command line after the program's name, as WinMain is given it: the
// name ends at the first blank outside quotes, and the blanks after it are
// skipped.
char* CommandTail() {
  char* tail = GetCommandLineA();
  bool quoted = false;
  for (; *tail > ' ' || (*tail != '\0' && quoted); ++tail)
    if (*tail == '"') quoted = !quoted;
  while (*tail != '\0' && *tail <= ' ') ++tail;
  return tail;
}

int ShowCommand() {
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

// Kept by name: nothing in the program calls it, and the link-time pass
// would otherwise drop it (the linker looks for the entry only afterwards).
extern "C" [[noreturn, gnu::used]] void WinMainCRTStartup() {
  __set_app_type(kGuiApp);
  _fpreset();  // the floating-point unit as MinGW's run time sets it up
  RunStaticConstructors();
  exit(WinMain(GetModuleHandleA(nullptr), nullptr, CommandTail(), ShowCommand()));
}
