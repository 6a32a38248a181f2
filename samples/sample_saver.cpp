// Sample Saver: a small screensaver of our own, packed by the main job and
// the tests. It answers the command lines Windows gives a screensaver:
//   /s        full-screen animation until the mouse moves or a key is pressed
//   /p HWND   animation inside the preview window HWND of the settings dialog
//   /c[:HWND] its configuration (a message box; there is nothing to set)
//   nothing   the same as /c
#include <windows.h>

#include <cstdlib>

namespace {

enum class Mode { kConfigure, kFullScreen, kPreview };

const char kClassName[] = "SampleSaverWindow";
const char kTitle[] = "Sample Saver";
constexpr UINT_PTR kTimer = 1;
constexpr int kBalls = 12;

struct Ball {
  int x, y, dx, dy, radius;
  COLORREF colour;
};

Mode g_mode = Mode::kConfigure;
Ball g_balls[kBalls];
POINT g_first_mouse = {-1, -1};
unsigned g_seed = 1;

int Random(int range) {
  g_seed = g_seed * 1103515245u + 12345u;
  return static_cast<int>((g_seed >> 16) % static_cast<unsigned>(range > 0 ? range : 1));
}

void StartBalls(int width, int height) {
  const int scale = width < 400 ? 1 : 4;  // the preview window is small
  for (Ball& b : g_balls) {
    b.radius = (4 + Random(8)) * scale;
    b.x = b.radius + Random(width - 2 * b.radius);
    b.y = b.radius + Random(height - 2 * b.radius);
    b.dx = (1 + Random(3)) * (Random(2) ? 1 : -1) * scale;
    b.dy = (1 + Random(3)) * (Random(2) ? 1 : -1) * scale;
    b.colour = RGB(64 + Random(192), 64 + Random(192), 64 + Random(192));
  }
}

void MoveBalls(int width, int height) {
  for (Ball& b : g_balls) {
    b.x += b.dx;
    b.y += b.dy;
    if (b.x < b.radius || b.x > width - b.radius) b.dx = -b.dx;
    if (b.y < b.radius || b.y > height - b.radius) b.dy = -b.dy;
  }
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  // Drawn off screen first, so the animation does not flicker.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
  FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HGDIOBJ old_pen = SelectObject(memory, GetStockObject(NULL_PEN));
  for (const Ball& b : g_balls) {
    HBRUSH brush = CreateSolidBrush(b.colour);
    HGDIOBJ old_brush = SelectObject(memory, brush);
    Ellipse(memory, b.x - b.radius, b.y - b.radius, b.x + b.radius, b.y + b.radius);
    SelectObject(memory, old_brush);
    DeleteObject(brush);
  }
  SelectObject(memory, old_pen);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &ps);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      RECT client;
      GetClientRect(window, &client);
      g_seed = GetTickCount();
      StartBalls(client.right, client.bottom);
      SetTimer(window, kTimer, 30, nullptr);
      return 0;
    }
    case WM_TIMER: {
      RECT client;
      GetClientRect(window, &client);
      MoveBalls(client.right, client.bottom);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_SETCURSOR:
      if (g_mode == Mode::kFullScreen) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      if (g_mode == Mode::kFullScreen) {
        // The first message only tells where the mouse rests; a small
        // tremble does not end the screensaver either.
        POINT p = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        if (g_first_mouse.x < 0) {
          g_first_mouse = p;
        } else if (std::abs(p.x - g_first_mouse.x) > 4 || std::abs(p.y - g_first_mouse.y) > 4) {
          DestroyWindow(window);
        }
        return 0;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (g_mode == Mode::kFullScreen) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_ACTIVATEAPP:
      if (g_mode == Mode::kFullScreen && !wparam) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(window, kTimer);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// The command line after the program's own name.
const char* Arguments() {
  const char* p = GetCommandLineA();
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// Reads "/s", "-S", "/p 1234", "/p:1234", "/c", "/c:1234".
Mode ParseMode(const char* args, HWND* window) {
  *window = nullptr;
  if (*args == '/' || *args == '-') ++args;
  const char letter = static_cast<char>(*args | 0x20);
  if (letter == 's') return Mode::kFullScreen;
  if (letter == 'p' || letter == 'l') {
    ++args;
    while (*args == ' ' || *args == ':') ++args;
    *window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(args, nullptr, 10)));
    return *window && IsWindow(*window) ? Mode::kPreview : Mode::kConfigure;
  }
  if (letter == 'c') {
    ++args;
    while (*args == ' ' || *args == ':') ++args;
    *window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(args, nullptr, 10)));
    if (*window && !IsWindow(*window)) *window = nullptr;
  }
  return Mode::kConfigure;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HWND parent = nullptr;
  g_mode = ParseMode(Arguments(), &parent);
  if (g_mode == Mode::kConfigure) {
    MessageBoxA(parent,
                "Sample Saver has no settings.\r\n\r\nColoured balls bounce across the screen "
                "until you move the mouse or press a key.",
                kTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
  }

  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return 1;

  HWND window;
  if (g_mode == Mode::kPreview) {
    RECT area;
    GetClientRect(parent, &area);
    window = CreateWindowExA(0, kClassName, kTitle, WS_CHILD | WS_VISIBLE, 0, 0, area.right,
                             area.bottom, parent, nullptr, instance, nullptr);
  } else {
    window = CreateWindowExA(WS_EX_TOPMOST, kClassName, kTitle, WS_POPUP | WS_VISIBLE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                             nullptr, instance, nullptr);
  }
  // Without a display there is no window; waiting for messages would then
  // never end.
  if (!window) return 1;
  if (g_mode == Mode::kFullScreen) SetForegroundWindow(window);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
