// Smaller stand-ins for pieces of MinGW's start-up code that this program
// never needs. MinGW's entry (crt2.o) still runs: it sets up the C run time,
// calls the static constructors and WinMain, and ends through exit. It also
// refers to the pieces below; defining them here keeps the library's much
// larger versions, their unwind tables and their imports out of setup.exe,
// which travels with every published screensaver.
#include <windows.h>

extern "C" {

// Run-time pseudo-relocations patch references to data that a DLL exports.
// setup.exe imports functions only, and the link is made with
// --disable-auto-import, so it fails rather than emit one: there is
// never a list to apply.
void _pei386_runtime_relocator() {}

// Thread-local data: nothing in the program has any, so there is no TLS
// callback to run. Without these the start-up code pulls in MinGW's TLS
// support (a .tls section, a TLS directory and a callback that every thread
// start would run). A use of thread-local data would still link, through
// the library's definitions, and the linker would then report these as
// duplicates.
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback;  // not internal, as a const would be
const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;

// The start-up code installs this as the last-chance exception filter. MinGW's
// version turns processor exceptions into C signals for programs that set
// signal handlers; this program sets none, and for such a program that
// version only hands the exception on to the filter it replaced, as this
// one does.
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler = nullptr;
LONG CALLBACK _gnu_exception_handler(EXCEPTION_POINTERS* exception) {
  return __mingw_oldexcpt_handler ? __mingw_oldexcpt_handler(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// The math library's error report. MinGW's version writes to stderr, which a
// GUI program does not have; returning 0 leaves the error to the C run
// time's usual handling (errno), which is all the program relies on.
struct _exception;
int __cdecl _matherr(struct _exception*) { return 0; }

}  // extern "C"
