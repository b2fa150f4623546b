// The main window on Win32: a frameless, topmost window with two edit controls and a push
// button as child windows; the labels are painted by the window itself, so a press anywhere
// that is not an edit control or the button lands on the window and drags it.
//
// Texts cross between code page 936 and the window's UTF-16 explicitly, through the wide
// functions, so Chinese shows whatever the system's ANSI code page is.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "app/main_window.h"
#include "text/convert.h"

namespace ow {
namespace {

constexpr wchar_t kWindowClassName[] = L"OrderwatchMainWindow";
constexpr int kWindowWidth = 354;
constexpr int kWindowHeight = 162;
constexpr UINT_PTR kRefreshTimerId = 1;

// Control identifiers. 1 and 2 are left out: the dialog manager sends them for Enter and Esc,
// which have no meaning in this window.
enum ControlId : int { kButton1Id = 101, kEdit2Id, kEdit1Id };

// The accessors, sent to the window so that they run on its thread. wParam: the control;
// lParam: the caller's std::u16string, filled (read) or shown (write).
constexpr UINT kReadInputBoxMessage = WM_APP + 1;
constexpr UINT kWriteStatusLineMessage = WM_APP + 2;

struct Label {
  RECT bounds;
  std::u16string text;
  HFONT font;
};

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The status line's font, exactly as the layout gives it.
HFONT CreateStatusLineFont() {
  LOGFONTW font{};
  font.lfHeight = -16;
  font.lfWidth = 0;
  font.lfEscapement = 0;
  font.lfOrientation = 0;
  font.lfWeight = 400;
  font.lfItalic = FALSE;
  font.lfUnderline = FALSE;
  font.lfStrikeOut = FALSE;
  font.lfCharSet = 134;  // GB2312
  font.lfOutPrecision = 3;
  font.lfClipPrecision = 2;
  font.lfQuality = 1;
  font.lfPitchAndFamily = 0x22;
  lstrcpynW(font.lfFaceName, L"微软雅黑", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

class MainWindow final : public WindowSystem, public ControlAccessors {
 public:
  explicit MainWindow(QueryRoutine query) : query_(std::move(query)) {}

  bool Create(HINSTANCE instance);
  HWND Handle() const { return window_; }

  void StartQueryThread() override { ow::StartQueryThread(*this, query_); }
  int TimerPeriod() const override { return timerPeriod_; }
  void KillTimer() override;
  void SetTimer(int periodMs) override;
  void SetWindowHeight(int height) override;
  void SetWindowAlpha(int alpha) override;

  Text Read编辑框1() override { return WideToLocalText(ReadInputBox(kEdit1Id)); }
  Text Read编辑框2() override { return WideToLocalText(ReadInputBox(kEdit2Id)); }
  void Write标签3(const Text& caption) override {
    std::u16string wide = LocalTextToWide(caption);
    SendMessageW(window_, kWriteStatusLineMessage, 0, reinterpret_cast<LPARAM>(&wide));
  }

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  std::u16string ReadInputBox(int controlId) {
    std::u16string text;
    SendMessageW(window_, kReadInputBoxMessage, static_cast<WPARAM>(controlId),
                 reinterpret_cast<LPARAM>(&text));
    return text;
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls(HINSTANCE instance);
  void Paint();

  QueryRoutine query_;
  HWND window_ = nullptr;
  HWND 编辑框1_ = nullptr;
  HWND 编辑框2_ = nullptr;
  HWND 按钮1_ = nullptr;
  Label 标签3_{{8, 0, 8 + 368, 0 + 24}, u"状态:", nullptr};
  Label 标签2_{{8, 128, 8 + 80, 128 + 24}, u"订单绑定邮箱", nullptr};
  Label 标签1_{{8, 72, 8 + 80, 72 + 24}, u"订单号", nullptr};
  int timerPeriod_ = 0;  // 时钟1: 0 while stopped
};

bool MainWindow::Create(HINSTANCE instance) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &MainWindow::WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kWindowClassName;
  windowClass.hIcon =
      static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  if (RegisterClassExW(&windowClass) == 0) return false;

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  // No frame, title bar or system menu; it can be minimised (from the taskbar) but not
  // maximised, and it has a taskbar button.
  window_ = CreateWindowExW(WS_EX_APPWINDOW, kWindowClassName, L"", WS_POPUP | WS_MINIMIZEBOX, left,
                            top, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, this);
  if (window_ == nullptr) return false;
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  CreateControls(instance);
  return true;
}

void MainWindow::CreateControls(HINSTANCE instance) {
  const auto guiFont = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  标签3_.font = CreateStatusLineFont();
  标签2_.font = reinterpret_cast<HFONT>(guiFont);
  标签1_.font = reinterpret_cast<HFONT>(guiFont);

  // Created in tab order: the order number, the e-mail address, the button.
  const DWORD editStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  编辑框1_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", editStyle, 96, 64, 160, 40, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEdit1Id)), instance, nullptr);
  编辑框2_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", editStyle, 96, 120, 160, 40, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEdit2Id)), instance, nullptr);
  按钮1_ = CreateWindowExW(
      0, L"BUTTON", L"查询",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE,
      272, 128, 80, 32, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButton1Id)),
      instance, nullptr);
  for (HWND control : {编辑框1_, 编辑框2_, 按钮1_}) {
    SendMessageW(control, WM_SETFONT, guiFont, FALSE);
  }
  // The system's largest length, not the edit control's small default.
  SendMessageW(编辑框1_, EM_SETLIMITTEXT, 0, 0);
  SendMessageW(编辑框2_, EM_SETLIMITTEXT, 0, 0);
}

void MainWindow::KillTimer() {
  ::KillTimer(window_, kRefreshTimerId);
  timerPeriod_ = 0;
}

void MainWindow::SetTimer(int periodMs) {
  ::SetTimer(window_, kRefreshTimerId, static_cast<UINT>(periodMs), nullptr);
  timerPeriod_ = periodMs;
}

void MainWindow::SetWindowHeight(int height) {
  RECT bounds;
  GetWindowRect(window_, &bounds);
  SetWindowPos(window_, nullptr, 0, 0, bounds.right - bounds.left, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The layered style is added to the window's other extended styles; replacing them would take
// away its taskbar button.
void MainWindow::SetWindowAlpha(int alpha) {
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  SetWindowLongPtrW(window_, GWL_EXSTYLE, style | WS_EX_LAYERED);
  SetLayeredWindowAttributes(window_, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}

void MainWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (Label* label : {&标签3_, &标签2_, &标签1_}) {
    const HGDIOBJ previous = SelectObject(dc, label->font);
    RECT bounds = label->bounds;
    DrawTextW(dc, Wide(label->text), static_cast<int>(label->text.size()), &bounds,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, previous);
  }
  EndPaint(window_, &paint);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kButton1Id && HIWORD(wParam) == BN_CLICKED) {
        OnQueryButtonClicked(*this);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimerId) OnRefreshTimer(*this);
      return 0;
    case WM_LBUTTONDOWN: {
      // A press on the background or a label moves the window as a title bar would.
      POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(window_, &screen);
      ReleaseCapture();
      PostMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
      return 0;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case kReadInputBoxMessage: {
      auto& text = *reinterpret_cast<std::u16string*>(lParam);
      HWND box = static_cast<int>(wParam) == kEdit1Id ? 编辑框1_ : 编辑框2_;
      text.resize(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1);
      const int length = GetWindowTextW(box, reinterpret_cast<wchar_t*>(text.data()),
                                        static_cast<int>(text.size()));
      text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
      return 0;
    }
    case kWriteStatusLineMessage:
      标签3_.text = *reinterpret_cast<const std::u16string*>(lParam);
      InvalidateRect(window_, &标签3_.bounds, TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

}  // namespace

void RunMainWindow(int /*argc*/, char** /*argv*/, QueryRoutine query) {
  // Never destroyed: workers may still hold it when the window closes.
  auto& window = *new MainWindow(std::move(query));
  if (!window.Create(GetModuleHandleW(nullptr))) {
    std::fflush(nullptr);
    std::_Exit(1);
  }
  ShowWindow(window.Handle(), SW_SHOWNORMAL);
  UpdateWindow(window.Handle());
  SetFocus(GetDlgItem(window.Handle(), kEdit1Id));

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The dialog manager gives the three tab stops their Tab and arrow keys.
    if (IsDialogMessageW(window.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // Queries still running end with the process; nothing waits for them, and nothing is torn
  // down under an accessor that a worker may be waiting in.
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace ow
