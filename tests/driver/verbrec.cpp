// verbrec: the recording command that the tests register for a shell verb.
// Every start appends to "verbrec.log" beside this program one line per
// argument ("argv[N]=<text>") and the raw command line ("cmdline=<text>"),
// followed by an empty line, so a test can see exactly what the shell ran.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  char log[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, log, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  char* slash = std::strrchr(log, '\\');
  if (!slash || slash - log + 12 >= MAX_PATH) return 1;
  std::strcpy(slash + 1, "verbrec.log");
  std::FILE* out = std::fopen(log, "ab");
  if (!out) return 1;
  for (int i = 1; i < argc; ++i) std::fprintf(out, "argv[%d]=%s\r\n", i, argv[i]);
  std::fprintf(out, "cmdline=%s\r\n\r\n", GetCommandLineA());
  std::fclose(out);
  return 0;
}
