// uidriver: UI automation for the end-to-end tests, run inside the same Wine
// prefix and session as the program under test. It finds top-level windows
// by their exact caption, reads their controls and clicks, types and presses
// keys. Every wait is bounded.
//
// Usage: uidriver.exe COMMAND ARGS... [+ COMMAND ARGS...]...
// Several commands may be chained with a lone "+"; they run in order and the
// first one that fails ends the run with its exit code. Output is JSON, one
// object per line, on standard output (texts are bytes of the ANSI code page;
// bytes above 127 are written as \u00XX, so the output is always valid JSON).
//
// Addressing: CAPTION is the exact caption of a visible top-level window;
// one that ends in "*" matches every caption that starts with the rest.
// CONTROL is "#ID" (decimal control id), or a control's text: matched first
// exactly, then with the "&" accelerator markers removed. A match prefers a
// visible control.
//
// Commands (TIMEOUT in milliseconds; the default is 5000):
//   windows                      lists the visible top-level windows:
//                                {"hwnd","class","caption","pid","rect"}
//   find CAPTION [TIMEOUT]       waits for the window; prints
//                                {"hwnd","class","caption","pid","rect"}
//   tree CAPTION                 one line per descendant control:
//                                {"hwnd","parent","class","id","text","visible",
//                                 "shown","enabled","checked","focused","rect"}
//                                visible: the control and all its parents show;
//                                shown: its own WS_VISIBLE; checked: null for
//                                controls that are no check or radio button;
//                                rect: [left, top, right, bottom] in the
//                                window's client coordinates
//   click CAPTION CONTROL        posts a click (BM_CLICK to a button; to a
//                                notifying label, STN_CLICKED to its parent);
//                                fails when the control is hidden or disabled
//   settext CAPTION CONTROL TEXT sets a control's text (WM_SETTEXT)
//   gettext CAPTION CONTROL      prints {"text": ...}
//   focus CAPTION                prints the focused control (as in tree), or
//                                {"focused": null}
//   key CAPTION KEY              presses a key in the window through SendInput
//                                after making it the foreground window. KEY:
//                                a name (Escape, Return, Tab, Space, Up, Down,
//                                Left, Right, Home, End, Delete, Back) or one
//                                character, optionally after "shift+", "ctrl+"
//                                or "alt+" (e.g. alt+a, shift+Tab)
//   postkey CAPTION KEY          the same through posted messages to the
//                                focused control (WM_KEYDOWN/UP; alt+X as
//                                WM_SYSCHAR); works without the foreground
//   msgbox CAPTION [TIMEOUT]     waits for a message box (#32770 dialog) with
//                                that caption; prints {"caption","text","buttons"}
//   press CAPTION BUTTON [TIMEOUT]  waits for the message box and clicks the
//                                button with that text (e.g. "OK", "&Yes" or "Yes")
//   waittext CAPTION CONTROL TEXT [TIMEOUT]  waits until the control's text
//                                is TEXT (for example a header after a click)
//   close CAPTION                posts WM_CLOSE, as the close box does
//   move CAPTION X Y             moves the window's top-left corner to X, Y
//                                (screen coordinates), e.g. a message box out
//                                of the way of a screenshot
//   waitgone CAPTION [TIMEOUT]   waits until no visible window has that caption
//   sleep MS                     pauses (at most 60000)
//   textfit CAPTION FACE HEIGHT [ID=HEIGHT]...
//                                one line per visible label and button with
//                                a text: {"id","text","room","needed","fits"},
//                                the text measured as the control draws it,
//                                in the font FACE, HEIGHT pixels high (or the
//                                height given for its ID; a font handle of
//                                another process cannot be used here, so the
//                                test names the window's fonts): room and
//                                needed are [width, height] in pixels (a
//                                word-wrapped label: its width and height, and
//                                the wrapped text's; one line: the width
//                                inside a button's frame or beside a radio
//                                button's circle, and the text's width)
//
// Exit codes: 0 success; 1 window or control not found, or a wait timed out;
// 2 bad usage; 3 the control cannot take the action (hidden or disabled).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeout = 5000;
constexpr DWORD kMaxTimeout = 120000;
constexpr UINT kMessageTimeout = 2000;

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    char buffer[8];
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void Line(const std::string& json) {
  std::fputs(json.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Error(const std::string& text) { Line("{\"error\":" + Json(text) + "}"); }

std::string ClassOf(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// The text of a control in another process: WM_GETTEXT is marshalled by
// the system, bounded so that a hung program cannot hold the driver.
std::string TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeout,
                           &length))
    return std::string();
  std::string text(length + 1, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, kMessageTimeout, &got))
    return std::string();
  text.resize(got <= length ? got : length);
  return text;
}

std::string WithoutAccelerators(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

std::string Rect(HWND hwnd, HWND top) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return buffer;
}

std::string HandleText(HWND hwnd) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%lu",
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
  return buffer;
}

struct TopSearch {
  const std::string* caption;
  const char* window_class;  // nullptr: any
  HWND found;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM data) {
  TopSearch* search = reinterpret_cast<TopSearch*>(data);
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (search->window_class && ClassOf(hwnd) != search->window_class) return TRUE;
  char caption[512] = {};
  GetWindowTextA(hwnd, caption, sizeof caption);
  // "Title *" stands for any caption that starts with "Title ": a caption
  // in a code page the command line cannot carry is still found.
  const std::string& wanted = *search->caption;
  const bool prefix = !wanted.empty() && wanted.back() == '*';
  if (prefix ? std::string(caption).compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) != 0
             : wanted != caption)
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND FindTopWindow(const std::string& caption, const char* window_class = nullptr) {
  TopSearch search = {&caption, window_class, nullptr};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitTopWindow(const std::string& caption, DWORD timeout, const char* window_class = nullptr) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND hwnd = FindTopWindow(caption, window_class);
    if (hwnd || GetTickCount() - start >= timeout) return hwnd;
    Sleep(50);
  }
}

BOOL CALLBACK CollectVisibleTop(HWND hwnd, LPARAM data) {
  if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

std::string TopLine(HWND top) {
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  RECT r;
  GetWindowRect(top, &r);
  char caption[512] = {};
  GetWindowTextA(top, caption, sizeof caption);
  char rest[120];
  std::snprintf(rest, sizeof rest, ",\"pid\":%lu,\"rect\":[%ld,%ld,%ld,%ld]}",
                static_cast<unsigned long>(pid), r.left, r.top, r.right, r.bottom);
  return "{\"hwnd\":" + HandleText(top) + ",\"class\":" + Json(ClassOf(top)) +
         ",\"caption\":" + Json(caption) + rest;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> all;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FocusOf(HWND top) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string Checked(HWND hwnd) {
  if (lstrcmpiA(ClassOf(hwnd).c_str(), "Button") != 0) return "null";
  const LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
  if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_RADIOBUTTON &&
      type != BS_AUTORADIOBUTTON && type != BS_3STATE && type != BS_AUTO3STATE)
    return "null";
  DWORD_PTR state = 0;
  SendMessageTimeoutA(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeout, &state);
  return state == BST_CHECKED ? "true" : "false";
}

std::string Describe(HWND hwnd, HWND top, HWND focus) {
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  char id[16];
  std::snprintf(id, sizeof id, "%d", GetDlgCtrlID(hwnd));
  std::string json = "{\"hwnd\":" + HandleText(hwnd);
  json += ",\"parent\":" + HandleText(GetParent(hwnd));
  json += ",\"class\":" + Json(ClassOf(hwnd));
  json += ",\"id\":" + std::string(id);
  json += ",\"text\":" + Json(TextOf(hwnd));
  json += std::string(",\"visible\":") + (IsWindowVisible(hwnd) ? "true" : "false");
  json += std::string(",\"shown\":") + ((style & WS_VISIBLE) ? "true" : "false");
  json += std::string(",\"enabled\":") + ((style & WS_DISABLED) ? "false" : "true");
  json += ",\"checked\":" + Checked(hwnd);
  json += std::string(",\"focused\":") + (hwnd == focus ? "true" : "false");
  json += ",\"rect\":" + Rect(hwnd, top) + "}";
  return json;
}

HWND FindControl(HWND top, const std::string& what) {
  std::vector<HWND> all = Descendants(top);
  if (!what.empty() && what[0] == '#') {
    const int id = std::atoi(what.c_str() + 1);
    for (HWND hwnd : all)
      if (GetDlgCtrlID(hwnd) == id) return hwnd;
    return nullptr;
  }
  HWND fallback = nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    for (HWND hwnd : all) {
      std::string text = TextOf(hwnd);
      if (pass == 1) text = WithoutAccelerators(text);
      if (text != what) continue;
      if (IsWindowVisible(hwnd)) return hwnd;
      if (!fallback) fallback = hwnd;
    }
  }
  return fallback;
}

DWORD ParseTimeout(const std::vector<std::string>& args, size_t index) {
  if (index >= args.size()) return kDefaultTimeout;
  const long value = std::atol(args[index].c_str());
  if (value < 0) return 0;
  return static_cast<DWORD>(value) > kMaxTimeout ? kMaxTimeout : static_cast<DWORD>(value);
}

struct Key {
  WORD vk = 0;
  bool shift = false, ctrl = false, alt = false;
  char ch = 0;  // for single characters
};

bool ParseKey(std::string spec, Key* key) {
  for (;;) {
    if (_strnicmp(spec.c_str(), "shift+", 6) == 0) {
      key->shift = true;
      spec.erase(0, 6);
    } else if (_strnicmp(spec.c_str(), "ctrl+", 5) == 0) {
      key->ctrl = true;
      spec.erase(0, 5);
    } else if (_strnicmp(spec.c_str(), "alt+", 4) == 0) {
      key->alt = true;
      spec.erase(0, 4);
    } else {
      break;
    }
  }
  static const struct {
    const char* name;
    WORD vk;
  } kNames[] = {{"Escape", VK_ESCAPE}, {"Return", VK_RETURN}, {"Enter", VK_RETURN},
                {"Tab", VK_TAB},       {"Space", VK_SPACE},   {"Up", VK_UP},
                {"Down", VK_DOWN},     {"Left", VK_LEFT},     {"Right", VK_RIGHT},
                {"Home", VK_HOME},     {"End", VK_END},       {"Delete", VK_DELETE},
                {"Back", VK_BACK}};
  for (const auto& entry : kNames) {
    if (lstrcmpiA(spec.c_str(), entry.name) == 0) {
      key->vk = entry.vk;
      return true;
    }
  }
  if (spec.size() != 1) return false;
  key->ch = spec[0];
  const SHORT scan = VkKeyScanA(spec[0]);
  if (scan == -1) return false;
  key->vk = LOBYTE(scan);
  if (HIBYTE(scan) & 1) key->shift = true;
  return true;
}

void AddInput(std::vector<INPUT>* inputs, WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  inputs->push_back(input);
}

bool MakeForeground(HWND top) {
  if (GetForegroundWindow() == top) return true;
  const DWORD target = GetWindowThreadProcessId(top, nullptr);
  const DWORD self = GetCurrentThreadId();
  AttachThreadInput(self, target, TRUE);
  SetForegroundWindow(top);
  AttachThreadInput(self, target, FALSE);
  const DWORD start = GetTickCount();
  while (GetForegroundWindow() != top && GetTickCount() - start < 2000) Sleep(20);
  return GetForegroundWindow() == top;
}

int SendKey(HWND top, const Key& key) {
  if (!MakeForeground(top)) {
    Error("the window did not become the foreground window");
    return 1;
  }
  std::vector<INPUT> inputs;
  if (key.ctrl) AddInput(&inputs, VK_CONTROL, false);
  if (key.alt) AddInput(&inputs, VK_MENU, false);
  if (key.shift) AddInput(&inputs, VK_SHIFT, false);
  AddInput(&inputs, key.vk, false);
  AddInput(&inputs, key.vk, true);
  if (key.shift) AddInput(&inputs, VK_SHIFT, true);
  if (key.alt) AddInput(&inputs, VK_MENU, true);
  if (key.ctrl) AddInput(&inputs, VK_CONTROL, true);
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    Error("SendInput failed");
    return 1;
  }
  Sleep(100);  // let the target read its input before the next command
  return 0;
}

int PostKey(HWND top, const Key& key) {
  HWND target = FocusOf(top);
  if (!target) target = top;
  if (key.alt) {
    const char ch = key.ch ? key.ch : static_cast<char>(key.vk);
    const LPARAM context = static_cast<LPARAM>(1) | (static_cast<LPARAM>(1) << 29);
    PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(ch), context);
    return 0;
  }
  const UINT scan = MapVirtualKeyA(key.vk, 0);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (static_cast<LPARAM>(3) << 30);
  PostMessageA(target, WM_KEYDOWN, key.vk, down);
  if (key.ch) PostMessageA(target, WM_CHAR, static_cast<unsigned char>(key.ch), down);
  PostMessageA(target, WM_KEYUP, key.vk, up);
  return 0;
}

HWND Need(const std::string& caption, DWORD timeout = 0, const char* window_class = nullptr) {
  HWND hwnd = timeout ? WaitTopWindow(caption, timeout, window_class)
                      : FindTopWindow(caption, window_class);
  if (!hwnd) Error("no visible window with caption " + caption);
  return hwnd;
}

std::string MessageBoxText(HWND box) {
  // The message is the static text that is not the icon; the buttons are
  // the dialog's push buttons.
  for (HWND child : Descendants(box)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") != 0) continue;
    const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
    if (type == SS_ICON || type == SS_BITMAP) continue;
    const std::string text = TextOf(child);
    if (!text.empty()) return text;
  }
  return std::string();
}

int Run(const std::vector<std::string>& a) {
  if (a.empty()) return 2;
  const std::string& command = a[0];
  auto need_args = [&](size_t count) {
    if (a.size() >= count + 1) return true;
    Error("too few arguments for " + command);
    return false;
  };

  if (command == "sleep") {
    if (!need_args(1)) return 2;
    DWORD ms = static_cast<DWORD>(std::atol(a[1].c_str()));
    Sleep(ms > 60000 ? 60000 : ms);
    return 0;
  }
  if (command == "windows") {
    std::vector<HWND> tops;
    EnumWindows(CollectVisibleTop, reinterpret_cast<LPARAM>(&tops));
    for (HWND top : tops) Line(TopLine(top));
    return 0;
  }
  if (command == "find") {
    if (!need_args(1)) return 2;
    HWND top = Need(a[1], ParseTimeout(a, 2));
    if (!top) return 1;
    Line(TopLine(top));
    return 0;
  }
  if (command == "waitgone") {
    if (!need_args(1)) return 2;
    const DWORD timeout = ParseTimeout(a, 2);
    const DWORD start = GetTickCount();
    while (FindTopWindow(a[1])) {
      if (GetTickCount() - start >= timeout) {
        Error("window still there: " + a[1]);
        return 1;
      }
      Sleep(50);
    }
    Line("{\"gone\":" + Json(a[1]) + "}");
    return 0;
  }
  if (command == "close") {
    if (!need_args(1)) return 2;
    HWND top = Need(a[1]);
    if (!top) return 1;
    PostMessageA(top, WM_CLOSE, 0, 0);
    Line("{\"closed\":" + Json(a[1]) + "}");
    return 0;
  }
  if (command == "move") {
    if (!need_args(3)) return 2;
    HWND top = Need(a[1]);
    if (!top) return 1;
    SetWindowPos(top, nullptr, std::atoi(a[2].c_str()), std::atoi(a[3].c_str()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Line("{\"moved\":" + Json(a[1]) + "}");
    return 0;
  }
  if (command == "waittext") {
    if (!need_args(3)) return 2;
    const DWORD timeout = ParseTimeout(a, 4);
    const DWORD start = GetTickCount();
    std::string last;
    for (;;) {
      HWND top = FindTopWindow(a[1]);
      HWND control = top ? FindControl(top, a[2]) : nullptr;
      if (control) {
        last = TextOf(control);
        if (last == a[3]) break;
      }
      if (GetTickCount() - start >= timeout) {
        Error("text of " + a[2] + " is " + last + ", not " + a[3]);
        return 1;
      }
      Sleep(50);
    }
    Line("{\"text\":" + Json(a[3]) + "}");
    return 0;
  }
  if (command == "tree") {
    if (!need_args(1)) return 2;
    HWND top = Need(a[1]);
    if (!top) return 1;
    HWND focus = FocusOf(top);
    for (HWND hwnd : Descendants(top)) Line(Describe(hwnd, top, focus));
    return 0;
  }
  if (command == "textfit") {
    if (!need_args(3)) return 2;
    HWND top = Need(a[1]);
    if (!top) return 1;
    const std::string face = a[2];
    const int height = std::atoi(a[3].c_str());
    for (HWND hwnd : Descendants(top)) {
      int own_height = height;
      for (size_t k = 4; k < a.size(); ++k) {
        const size_t eq = a[k].find('=');
        if (eq != std::string::npos && std::atoi(a[k].c_str()) == GetDlgCtrlID(hwnd))
          own_height = std::atoi(a[k].c_str() + eq + 1);
      }
      const std::string text = TextOf(hwnd);
      const std::string cls = ClassOf(hwnd);
      const bool label = lstrcmpiA(cls.c_str(), "Static") == 0;
      const bool button = lstrcmpiA(cls.c_str(), "Button") == 0;
      if (text.empty() || !IsWindowVisible(hwnd) || (!label && !button)) continue;
      const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
      RECT client;
      GetClientRect(hwnd, &client);
      int room_w = client.right, room_h = client.bottom;
      UINT flags = DT_CALCRECT | DT_EXPANDTABS;
      bool wraps = false;
      if (label) {
        if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
        const LONG kind = style & SS_TYPEMASK;
        wraps = kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT;
      } else {
        const LONG type = style & BS_TYPEMASK;
        // A push button draws inside its 2-pixel frame; a radio button or
        // check box beside its 13-pixel mark and a gap.
        room_w -= (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON || type == BS_CHECKBOX ||
                   type == BS_AUTOCHECKBOX)
                      ? 17
                      : 4;
      }
      if (wraps) flags |= DT_WORDBREAK;
      HDC dc = GetDC(hwnd);
      HFONT font = CreateFontA(-own_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
      HGDIOBJ old = SelectObject(dc, font);
      RECT need = {0, 0, wraps ? room_w : 0, 0};
      DrawTextA(dc, text.c_str(), -1, &need, flags);
      SelectObject(dc, old);
      DeleteObject(font);
      ReleaseDC(hwnd, dc);
      const bool fits = need.right <= room_w && (!wraps || need.bottom <= room_h);
      char numbers[96];
      std::snprintf(numbers, sizeof numbers, ",\"room\":[%d,%d],\"needed\":[%ld,%ld],\"fits\":%s}",
                    room_w, room_h, need.right, need.bottom, fits ? "true" : "false");
      char id[16];
      std::snprintf(id, sizeof id, "%d", GetDlgCtrlID(hwnd));
      Line("{\"id\":" + std::string(id) + ",\"text\":" + Json(text) + numbers);
    }
    return 0;
  }
  if (command == "focus") {
    if (!need_args(1)) return 2;
    HWND top = Need(a[1]);
    if (!top) return 1;
    HWND focus = FocusOf(top);
    if (focus && (focus == top || IsChild(top, focus)))
      Line(Describe(focus, top, focus));
    else
      Line("{\"focused\":null}");
    return 0;
  }
  if (command == "click" || command == "settext" || command == "gettext") {
    if (!need_args(command == "settext" ? 3 : 2)) return 2;
    HWND top = Need(a[1]);
    if (!top) return 1;
    HWND control = FindControl(top, a[2]);
    if (!control) {
      Error("no control " + a[2] + " in " + a[1]);
      return 1;
    }
    if (command == "gettext") {
      Line("{\"text\":" + Json(TextOf(control)) + "}");
      return 0;
    }
    if (command == "settext") {
      DWORD_PTR result = 0;
      SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[3].c_str()),
                          SMTO_ABORTIFHUNG, kMessageTimeout, &result);
      Line("{\"settext\":" + Json(a[3]) + "}");
      return 0;
    }
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
      Error("control " + a[2] + " is hidden or disabled");
      return 3;
    }
    if (lstrcmpiA(ClassOf(control).c_str(), "Static") == 0) {
      PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), STN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
    } else {
      PostMessageA(control, BM_CLICK, 0, 0);
    }
    Line("{\"clicked\":" + Json(a[2]) + "}");
    return 0;
  }
  if (command == "key" || command == "postkey") {
    if (!need_args(2)) return 2;
    Key key;
    if (!ParseKey(a[2], &key)) {
      Error("unknown key " + a[2]);
      return 2;
    }
    HWND top = Need(a[1]);
    if (!top) return 1;
    const int code = command == "key" ? SendKey(top, key) : PostKey(top, key);
    if (code == 0) Line("{\"key\":" + Json(a[2]) + "}");
    return code;
  }
  if (command == "msgbox" || command == "press") {
    if (!need_args(command == "press" ? 2 : 1)) return 2;
    HWND box = Need(a[1], ParseTimeout(a, command == "press" ? 3 : 2), "#32770");
    if (!box) return 1;
    std::vector<HWND> buttons;
    std::string names;
    for (HWND child : Descendants(box)) {
      if (lstrcmpiA(ClassOf(child).c_str(), "Button") != 0 || !IsWindowVisible(child)) continue;
      buttons.push_back(child);
      names += (names.empty() ? "" : ",") + Json(TextOf(child));
    }
    if (command == "msgbox") {
      Line("{\"caption\":" + Json(a[1]) + ",\"text\":" + Json(MessageBoxText(box)) +
           ",\"buttons\":[" + names + "]}");
      return 0;
    }
    for (HWND button : buttons) {
      const std::string text = TextOf(button);
      if (text != a[2] && WithoutAccelerators(text) != a[2]) continue;
      const std::string message = MessageBoxText(box);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
      Line("{\"pressed\":" + Json(a[2]) + ",\"text\":" + Json(message) + "}");
      return 0;
    }
    Error("no button " + a[2] + " in message box " + a[1]);
    return 1;
  }
  Error("unknown command " + command);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: uidriver COMMAND ARGS... [+ COMMAND ARGS...] (see the source)\n", stderr);
    return 2;
  }
  std::vector<std::string> command;
  for (int i = 1; i <= argc; ++i) {
    if (i == argc || std::strcmp(argv[i], "+") == 0) {
      const int code = Run(command);
      if (code != 0) return code;
      command.clear();
    } else {
      command.push_back(argv[i]);
    }
  }
  return 0;
}
