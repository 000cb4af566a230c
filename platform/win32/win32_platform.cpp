// The system services of the Windows backend: start-up queries, the password services, input,
// the settings store, the file chooser, the clock, yielding and ending. The form mirror is in
// win32_forms.cpp, the window procedures in win32_messages.cpp, presenting the saver's canvas in
// win32_present.cpp, pictures and the desktop copy in win32_picture.cpp.
#include "platform/win32/win32_platform.h"

#include <commdlg.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/win32/win32_fonts.h"

namespace frin::win32 {

std::wstring Wide(const std::string& utf8) {
  const std::u16string u = Utf16FromUtf8(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string Narrow(const std::wstring& wide) {
  const std::u16string u(wide.begin(), wide.end());
  return Utf8FromUtf16(u);
}

namespace {

constexpr wchar_t kOwnerClass[] = L"FrinRuntimeOwner";
constexpr UINT kSpiScreenSaverRunning = 97;

HWND AsHwnd(WindowHandle h) {
  return reinterpret_cast<HWND>(h);
}
WindowHandle AsHandle(HWND h) {
  return reinterpret_cast<WindowHandle>(h);
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance)
    : instance_(instance), fonts_(std::make_unique<FontBook>()) {
  MeasureScreenDpi();
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  startCounter_ = static_cast<uint64_t>(counter.QuadPart) << 32;

  WNDCLASSEXW owner{};
  owner.cbSize = sizeof owner;
  owner.lpfnWndProc = OwnerProc;
  owner.hInstance = instance_;
  owner.lpszClassName = kOwnerClass;
  RegisterClassExW(&owner);
  owner_ = CreateWindowExW(0, kOwnerClass, L"Frin", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           instance_, nullptr);
  if (owner_ != nullptr) SetWindowLongPtrW(owner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Platform::~Win32Platform() {
  graveyard_.clear();
  // The forms still loaded belong to a state object that is gone by now: their surfaces are
  // not touched.
  for (auto& fw : forms_)
    Teardown(*fw, false);
  forms_.clear();
  graveyard_.clear();
  if (owner_ != nullptr) DestroyWindow(owner_);
}

LRESULT CALLBACK Win32Platform::OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The runtime's owner window: asked to close, the program ends (with the status of an error
  // being reported, if one is).
  if (msg == WM_CLOSE) {
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr) self->EndProcess(0);
    ExitProcess(0);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Platform::Fail(int number, const std::string& message) {
  if (failStatus_ != 0) ExitProcess(failStatus_);  // the first report stands
  failStatus_ = number != 0 ? static_cast<UINT>(number) : 1u;
  // Nothing may tick or draw behind the report, and the dialog takes no input until it ends.
  for (auto& fw : forms_) {
    for (const auto& c : fw->form->Controls()) {
      if (c->kind == ControlKind::kTimer) KillTimer(fw->hwnd, TimerId(*c));
    }
    if (fw->canvas != nullptr) {
      ShowWindow(fw->hwnd, SW_HIDE);
    } else {
      EnableWindow(fw->hwnd, FALSE);
    }
  }
  for (int i = 0; i < 64 && ::ShowCursor(TRUE) < 0; ++i) {
  }
  const std::wstring text = Wide(ErrorReport(number, message));
  MessageBoxW(nullptr, text.c_str(), L"Frin", MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
  ExitProcess(failStatus_);
}

int Win32Platform::RunMessageLoop() {
  loopRunning_ = true;
  if (forms_.empty()) return 0;
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    // A close posted to no window (the owner of a window that has none): the program ends.
    if (msg.hwnd == nullptr && msg.message == WM_CLOSE) return 0;
    Dispatch(msg);
  }
}

void Win32Platform::Dispatch(MSG& msg) {
  for (auto& fw : forms_) {
    // The dialog's keyboard navigation among its controls.
    if (!fw->dead && !fw->controls.empty() && IsDialogMessageW(fw->hwnd, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32Platform::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (msg.hwnd == nullptr && msg.message == WM_CLOSE) EndProcess(0);
    Dispatch(msg);
  }
}

void Win32Platform::EndProcess(int status) {
  ExitProcess(failStatus_ != 0 ? failStatus_ : static_cast<UINT>(status));
}

// --- Start-up ------------------------------------------------------------------------------

std::string Win32Platform::CommandText() {
  const std::wstring line = GetCommandLineW();
  const std::u16string args = CommandArguments(std::u16string(line.begin(), line.end()));
  return Utf8FromUtf16(args);
}

ScreenInfo Win32Platform::Screen() {
  // Reported at the ratio every conversion of this backend uses, so the screen in twips divided
  // by it gives back exactly the screen's pixels.
  return ScreenFromPixels(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), tppX_,
                          tppY_);
}

namespace {

// A function of a system library by name, null where the system lacks it (or the library).
template <typename Fn>
Fn SystemFunction(const wchar_t* library, const char* name, bool load = false) {
  HMODULE module = load ? LoadLibraryW(library) : GetModuleHandleW(library);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// EnumDisplayMonitors gathers here: the primary first, the others in the system's order.
struct MonitorList {
  using GetInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  GetInfo getInfo = nullptr;
  std::vector<Rect> others;
  std::optional<Rect> primary;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto& list = *reinterpret_cast<MonitorList*>(data);
  MONITORINFO info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  if (!list.getInfo(monitor, &info)) return TRUE;
  const Rect r{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right,
               info.rcMonitor.bottom};
  if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0 && !list.primary) {
    list.primary = r;
  } else {
    list.others.push_back(r);
  }
  return TRUE;
}

}  // namespace

std::vector<Rect> Win32Platform::Monitors() {
  // The primary screen alone, as on a system without the monitor functions (before Windows 98
  // and 2000).
  const Rect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  using Enum = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
  const auto enumerate = SystemFunction<Enum>(L"user32.dll", "EnumDisplayMonitors");
  MonitorList list;
  list.getInfo = SystemFunction<MonitorList::GetInfo>(L"user32.dll", "GetMonitorInfoW");
  if (enumerate == nullptr || list.getInfo == nullptr) return {screen};
  if (!enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list)) || !list.primary) {
    return {screen};
  }
  std::vector<Rect> monitors{*list.primary};
  monitors.insert(monitors.end(), list.others.begin(), list.others.end());
  return monitors;
}

int DpiOfWindow(HWND hwnd) {
  using ForWindow = UINT(WINAPI*)(HWND);
  const auto forWindow = SystemFunction<ForWindow>(L"user32.dll", "GetDpiForWindow");
  return forWindow != nullptr ? static_cast<int>(forWindow(hwnd)) : 0;
}

int MetricAtDpi(int index, int dpi) {
  using ForDpi = int(WINAPI*)(int, UINT);
  const auto forDpi = SystemFunction<ForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
  if (forDpi == nullptr || dpi <= 0) return GetSystemMetrics(index);
  return forDpi(index, static_cast<UINT>(dpi));
}

int CheckMarkWidth(int dpi) {
  return MetricAtDpi(SM_CXMENUCHECK, dpi) + 2 * MetricAtDpi(SM_CXEDGE, dpi);
}

int32_t Win32Platform::MonitorDpi(const Rect& monitor) {
  // Windows 8.1 scales each monitor (shcore's GetDpiForMonitor, the effective dpi); before it
  // every monitor has the system's dots per inch.
  using FromRect = HMONITOR(WINAPI*)(LPCRECT, DWORD);
  using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  const auto fromRect = SystemFunction<FromRect>(L"user32.dll", "MonitorFromRect");
  const auto forMonitor = SystemFunction<ForMonitor>(L"shcore.dll", "GetDpiForMonitor", true);
  if (fromRect == nullptr || forMonitor == nullptr) return dpiX_;
  const RECT r{monitor.left, monitor.top, monitor.right, monitor.bottom};
  HMONITOR handle = fromRect(&r, MONITOR_DEFAULTTONEAREST);
  UINT x = 0, y = 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (handle == nullptr || FAILED(forMonitor(handle, kEffectiveDpi, &x, &y)) || x == 0)
    return dpiX_;
  return static_cast<int32_t>(x);
}

int32_t Win32Platform::WindowDpi(WindowHandle h) {
  const int dpi = DpiOfWindow(AsHwnd(h));
  return dpi != 0 ? static_cast<int32_t>(dpi) : dpiX_;
}

void Win32Platform::UseDpiAwarenessOf(WindowHandle host) {
  // Windows 10 1607 on: the thread takes on the host's awareness, so the preview window is made
  // in the host's coordinates and scaled as the host is.
  using Context = void*;
  using GetContext = Context(WINAPI*)(HWND);
  using SetContext = Context(WINAPI*)(Context);
  const auto get = SystemFunction<GetContext>(L"user32.dll", "GetWindowDpiAwarenessContext");
  const auto set = SystemFunction<SetContext>(L"user32.dll", "SetThreadDpiAwarenessContext");
  if (get == nullptr || set == nullptr) return;
  Context context = get(AsHwnd(host));
  if (context == nullptr || set(context) == nullptr) return;
  // The screen as the host sees it: its dots per inch and the twips ratio follow.
  MeasureScreenDpi();
}

void Win32Platform::MeasureScreenDpi() {
  HDC screen = GetDC(nullptr);
  dpiX_ = GetDeviceCaps(screen, LOGPIXELSX);
  dpiY_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  // The integer ratio the program works with (15 at 96 dots per inch, 12 at 120).
  tppX_ = TwipsPerPixelAtDpi(dpiX_);
  tppY_ = TwipsPerPixelAtDpi(dpiY_);
}

int32_t Win32Platform::PlatformId() {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;  // 148
  if (!GetVersionExA(&info)) return 0;
  return static_cast<int32_t>(info.dwPlatformId);
}

uint16_t Win32Platform::UserInterfaceLanguage() {
  // GetUserDefaultUILanguage is Windows 2000's; before it the user's language is the best answer.
  using UiLanguageFn = LANGID(WINAPI*)();
  const auto uiLanguage = SystemFunction<UiLanguageFn>(L"kernel32.dll", "GetUserDefaultUILanguage");
  return uiLanguage != nullptr ? uiLanguage() : GetUserDefaultLangID();
}

WindowHandle Win32Platform::FindTopWindow(const std::string& title) {
  // FindWindowW may match without regard to case (Wine does): walk every top-level window it
  // offers under the title and take the first whose text is exactly the title.
  const std::wstring t = Wide(title);
  std::wstring text(t.size() + 2, L'\0');
  HWND w = nullptr;
  while ((w = FindWindowExW(nullptr, w, nullptr, t.c_str())) != nullptr) {
    const int n = GetWindowTextW(w, text.data(), static_cast<int>(text.size()));
    if (n >= 0 && std::wstring_view(text.data(), static_cast<size_t>(n)) == t) return AsHandle(w);
  }
  return 0;
}

void Win32Platform::ChangePassword(WindowHandle parent) {
  using PwdChange = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
  HMODULE mpr = LoadLibraryW(L"mpr.dll");
  if (mpr == nullptr) return;
  auto change = reinterpret_cast<PwdChange>(
      reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
  if (change != nullptr) change("SCRSAVE", AsHwnd(parent), 0, 0);
  FreeLibrary(mpr);
}

// --- Windows --------------------------------------------------------------------------------

SIZE Win32Platform::OuterPixels(const Form& form, int dpi) const {
  const int32_t tpp = TwipsPerPixelAtDpi(dpi);
  RECT r{0, 0, TwipsToPixels(form.clientWidth, tpp), TwipsToPixels(form.clientHeight, tpp)};
  // Windows 10 1607 on draws the frame at the window's own dpi; before it, at the system's.
  using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  const auto forDpi = SystemFunction<ForDpi>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (form.border == FormBorder::kFixedDialog) {
    if (forDpi == nullptr || dpi <= 0 ||
        !forDpi(&r, FormStyle(form), FALSE, FormExStyle(form), static_cast<UINT>(dpi))) {
      AdjustWindowRectEx(&r, FormStyle(form), FALSE, FormExStyle(form));
    }
  }
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void Win32Platform::OuterSize(FormBorder border, int32_t dpi, int32_t clientWidth,
                              int32_t clientHeight, int32_t& outerWidth, int32_t& outerHeight) {
  outerWidth = clientWidth;
  outerHeight = clientHeight;
  if (border != FormBorder::kFixedDialog) return;
  Form probe("probe");
  probe.border = border;
  probe.clientWidth = clientWidth;
  probe.clientHeight = clientHeight;
  const int32_t tpp = TwipsPerPixelAtDpi(dpi);
  const SIZE outer = OuterPixels(probe, dpi);
  outerWidth = CheckedMul(static_cast<int32_t>(outer.cx), tpp);
  outerHeight = CheckedMul(static_cast<int32_t>(outer.cy), tpp);
}

bool Win32Platform::GetWindowRect(WindowHandle h, Rect& r) {
  r = Rect{};
  RECT w;
  if (h == 0 || !IsWindow(AsHwnd(h)) || !::GetWindowRect(AsHwnd(h), &w)) return false;
  r = Rect{w.left, w.top, w.right, w.bottom};
  return true;
}

uint32_t Win32Platform::GetWindowStyle(WindowHandle h) {
  return static_cast<uint32_t>(GetWindowLongW(AsHwnd(h), GWL_STYLE));
}

void Win32Platform::SetWindowStyle(WindowHandle h, uint32_t style) {
  // A window that becomes a child stops being a popup: the two styles exclude each other.
  if ((style & WS_CHILD) != 0 && Find(AsHwnd(h)) != nullptr) style &= ~WS_POPUP;
  SetWindowLongW(AsHwnd(h), GWL_STYLE, static_cast<LONG>(style));
  SetWindowPos(AsHwnd(h), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Platform::SetParent(WindowHandle child, WindowHandle parent) {
  ::SetParent(AsHwnd(child), AsHwnd(parent));
  if (FormWindow* fw = Find(AsHwnd(child))) fw->host = AsHwnd(parent);
}

void Win32Platform::SetTopmost(WindowHandle h, uint32_t flags) {
  SetWindowPos(AsHwnd(h), HWND_TOPMOST, 0, 0, 0, 0, flags);
}

void Win32Platform::BringWindowToTop(WindowHandle h) {
  ::BringWindowToTop(AsHwnd(h));
}

WindowHandle Win32Platform::GetOwner(WindowHandle h) {
  return AsHandle(GetWindow(AsHwnd(h), GW_OWNER));
}

void Win32Platform::PostClose(WindowHandle h) {
  PostMessageW(AsHwnd(h), WM_CLOSE, 0, 0);
}

WindowHandle Win32Platform::ControlWindow(Control& c) {
  FormWindow* fw = Find(c.form);
  if (fw == nullptr) return 0;
  ControlMirror* cw = FindControl(*fw, &c);
  return cw != nullptr ? AsHandle(cw->hwnd) : 0;
}

// --- Input and the system's saver state ------------------------------------------------------

int Win32Platform::ShowCursor(bool show) {
  return ::ShowCursor(show ? TRUE : FALSE);
}

Point Win32Platform::GetCaretPos() {
  POINT p{};
  ::GetCaretPos(&p);
  return Point{p.x, p.y};
}

Point Win32Platform::GetCursorPos() {
  POINT p{};
  ::GetCursorPos(&p);
  return Point{p.x, p.y};
}

void Win32Platform::SetScreenSaverRunning(bool running) {
  UINT scratch = 0;
  SystemParametersInfoW(kSpiScreenSaverRunning, running ? 1 : 0, &scratch, 0);
}

std::optional<int32_t> Win32Platform::VerifyScreenSavePwd(WindowHandle parent) {
  using Verify = BOOL(WINAPI*)(HWND);
  HMODULE cpl = LoadLibraryW(L"password.cpl");
  if (cpl == nullptr) return std::nullopt;
  auto verify =
      reinterpret_cast<Verify>(reinterpret_cast<void*>(GetProcAddress(cpl, "VerifyScreenSavePwd")));
  std::optional<int32_t> answer;
  if (verify != nullptr) answer = static_cast<int32_t>(verify(AsHwnd(parent)));
  FreeLibrary(cpl);
  return answer;
}

// --- Files and the store --------------------------------------------------------------------

bool Win32Platform::FileExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

std::string Win32Platform::ReadSetting(const std::string& app, const std::string& section,
                                       const std::string& key, const std::string& defaultText) {
  const std::u16string path = SettingsKeyPath(app, section);
  HKEY hkey = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.c_str()), 0,
                    KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS) {
    return defaultText;
  }
  const std::wstring name = Wide(key);
  DWORD type = 0, bytes = 0;
  std::string result = defaultText;
  // A value written by hand with another type: a number (REG_DWORD) reads as its decimal text,
  // which is what its writer typed; an expandable text as its text, unexpanded; bytes and lists
  // (REG_BINARY, REG_MULTI_SZ, anything else) are no one text, and read as the default.
  DWORD number = 0, numberSize = sizeof number;
  if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number),
                       &numberSize) == ERROR_SUCCESS &&
      type == REG_DWORD && numberSize == sizeof number) {
    result = std::to_string(number);
  } else if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type, nullptr, &bytes) ==
                 ERROR_SUCCESS &&
             (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value[0]),
                         &size) == ERROR_SUCCESS) {
      value.resize(size / sizeof(wchar_t));
      const size_t nul = value.find(L'\0');
      if (nul != std::wstring::npos) value.resize(nul);
      result = Narrow(value);
    }
  }
  RegCloseKey(hkey);
  return result;
}

void Win32Platform::WriteSetting(const std::string& app, const std::string& section,
                                 const std::string& key, const std::string& text) {
  const std::u16string path = SettingsKeyPath(app, section);
  HKEY hkey = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.c_str()), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &hkey,
                      nullptr) != ERROR_SUCCESS) {
    RaiseError(kErrStoreWrite);
  }
  const std::wstring name = Wide(key);
  const std::wstring value = Wide(text);
  const LONG result =
      RegSetValueExW(hkey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(hkey);
  if (result != ERROR_SUCCESS) RaiseError(kErrStoreWrite);
}

// --- Common dialogs ---------------------------------------------------------------------------

std::optional<std::string> Win32Platform::GetOpenFileName(const FileChooserRequest& request) {
  const std::u16string filter = FilterList(request.filter);
  std::u16string file = DialogBuffer(request.file, request.maxFile);
  std::u16string fileTitle = DialogBuffer(request.fileTitle, request.maxFileTitle);
  const std::u16string initialDir = Utf16FromUtf8(request.initialDir);
  const std::u16string title = Utf16FromUtf8(request.title);

  OPENFILENAMEW ofn;
  ZeroMemory(&ofn, sizeof ofn);
  // The request's size is that of the record without the later extension fields; the wide
  // record of that layout has the same size.
  ofn.lStructSize = request.structSize >= OPENFILENAME_SIZE_VERSION_400W &&
                            request.structSize <= sizeof(OPENFILENAMEW)
                        ? request.structSize
                        : OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = AsHwnd(request.owner);
  ofn.hInstance = reinterpret_cast<HINSTANCE>(request.instance);
  ofn.lpstrFilter = reinterpret_cast<const wchar_t*>(filter.c_str());
  ofn.nFilterIndex = request.filterIndex;
  ofn.lpstrFile = reinterpret_cast<wchar_t*>(&file[0]);
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrFileTitle = reinterpret_cast<wchar_t*>(&fileTitle[0]);
  ofn.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
  ofn.lpstrInitialDir =
      initialDir.empty() ? nullptr : reinterpret_cast<const wchar_t*>(initialDir.c_str());
  ofn.lpstrTitle = title.empty() ? nullptr : reinterpret_cast<const wchar_t*>(title.c_str());
  ofn.Flags = request.flags;
  if (!::GetOpenFileNameW(&ofn)) return std::nullopt;
  return Utf8FromUtf16(UpToNul(file));
}

std::string Win32Platform::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::u16string folder = FolderOfPath(std::u16string(path.begin(), path.end()));
  return Utf8FromUtf16(folder);
}

uint64_t Win32Platform::Clock() {
  // Read before every flake's step, so it must be cheap: the tick count is a read of memory the
  // system shares with the process, where the performance counter is a system call under Wine
  // (a tenth of the saver's CPU time at 500 flakes). Flakes of one tick see the same value, as
  // the generator allows; the counter read once at start-up keeps two savers started in the same
  // millisecond apart.
  return startCounter_ ^ static_cast<uint64_t>(GetTickCount());
}

}  // namespace frin::win32
