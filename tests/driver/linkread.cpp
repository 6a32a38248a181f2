// linkread LINK.lnk: prints what a shell link points at, read back through
// IShellLinkA, one "name=value" per line:
//   path=<target path>
//   icon=<icon source>,<index>
//   args=<arguments>
//   workdir=<working folder>
// Exit code 0 when the link could be loaded, 1 otherwise.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: linkread LINK.lnk\n");
    return 2;
  }
  int code = 1;
  if (FAILED(CoInitialize(nullptr))) return 1;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, argv[1], -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char path[MAX_PATH] = "", icon[MAX_PATH] = "", args[1024] = "", dir[MAX_PATH] = "";
        int index = 0;
        link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetIconLocation(icon, MAX_PATH, &index);
        link->GetArguments(args, sizeof(args));
        link->GetWorkingDirectory(dir, MAX_PATH);
        std::printf("path=%s\nicon=%s,%d\nargs=%s\nworkdir=%s\n", path, icon, index, args, dir);
        code = 0;
      } else {
        std::fprintf(stderr, "linkread: cannot load %s\n", argv[1]);
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return code;
}
