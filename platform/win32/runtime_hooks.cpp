// Replacements for the parts of libstdc++ that would throw.
//
// setup.exe is built with -fno-exceptions, but the library's containers and
// strings still call std::__throw_length_error and friends on impossible
// requests, operator new throws std::bad_alloc, and the default terminate
// handler prints the active exception. Each of them drags in the whole
// exception machinery (typeinfo, the unwinder, the demangler). Defining the
// functions here keeps the library's versions out of the link. Measured with
// MinGW-w64 GCC 12: setup.exe 297 KiB without this file, 98 KiB with it; a
// bare program using std::string and std::vector 220 KiB and 18 KiB.
//
// None of these situations has a return value to report through, and the
// program cannot go on after them, so every one ends the process at once
// with exit code 70 (kExitRuntimeFault). The code is far from the codes a
// run ends with, so a script that runs "-silent" can tell an internal fault
// from a damaged package.
//
// The set must stay complete: libstdc++ keeps all __throw_* functions in one
// object file, so if the link still needs any one of them, that object comes
// in and the linker reports duplicates of the ones defined here. Add the
// missing one instead.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

#include "setup/exit_codes.h"

namespace {

[[noreturn]] void RuntimeFault() {
  ExitProcess(scr::kExitRuntimeFault);
  for (;;) {
  }
}

}  // namespace

namespace std {

void __throw_bad_exception() { RuntimeFault(); }
void __throw_bad_alloc() { RuntimeFault(); }
void __throw_bad_array_new_length() { RuntimeFault(); }
void __throw_bad_cast() { RuntimeFault(); }
void __throw_bad_typeid() { RuntimeFault(); }
void __throw_logic_error(const char*) { RuntimeFault(); }
void __throw_domain_error(const char*) { RuntimeFault(); }
void __throw_invalid_argument(const char*) { RuntimeFault(); }
void __throw_length_error(const char*) { RuntimeFault(); }
void __throw_out_of_range(const char*) { RuntimeFault(); }
void __throw_out_of_range_fmt(const char*, ...) { RuntimeFault(); }
void __throw_runtime_error(const char*) { RuntimeFault(); }
void __throw_range_error(const char*) { RuntimeFault(); }
void __throw_overflow_error(const char*) { RuntimeFault(); }
void __throw_underflow_error(const char*) { RuntimeFault(); }
void __throw_system_error(int) { RuntimeFault(); }
void __throw_future_error(int) { RuntimeFault(); }
void __throw_bad_function_call() { RuntimeFault(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { RuntimeFault(); }

}  // namespace __gnu_cxx

// A call of a pure virtual function (a destroyed object's vtable) would end
// in std::terminate, which pulls the handler machinery back in.
extern "C" void __cxa_pure_virtual() { RuntimeFault(); }
extern "C" void __cxa_deleted_virtual() { RuntimeFault(); }

// Allocation: malloc underneath, a fatal exit instead of std::bad_alloc.
// The nothrow forms return null as the language requires.
void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) RuntimeFault();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
