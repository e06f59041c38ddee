#include "platform/windows/Win32DialogView.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/windows/Win32MessageBox.h"
#include "platform/windows/Win32MessagePump.h"
#include "platform/windows/resources/ResourceIds.h"
#include "ui/UpdateDialog.h"

namespace drivesmith {

namespace {

HICON LoadIconOfSize(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(DRIVESMITH_ICON), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric),
                                       GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

std::string WindowText(HWND window) {
  if (window == nullptr) {
    return {};
  }
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) {
    return {};
  }
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  return std::string(text.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

}  // namespace

Win32DialogView::Win32DialogView(HINSTANCE instance)
    : instance_(instance),
      largeIcon_(LoadIconOfSize(instance, SM_CXICON, SM_CYICON)),
      smallIcon_(LoadIconOfSize(instance, SM_CXSMICON, SM_CYSMICON)),
      guard_(*this, std::chrono::milliseconds(GetDoubleClickTime())) {}

Win32DialogView::~Win32DialogView() {
  for (HICON icon : {largeIcon_, smallIcon_}) {
    if (icon != nullptr) {
      DestroyIcon(icon);
    }
  }
}

DialogResult Win32DialogView::RunModal(UpdateDialog& dialog) {
  dialog_ = &dialog;
  guard_.Attach(&dialog);
  const INT_PTR result =
      DialogBoxParamA(instance_, MAKEINTRESOURCEA(DRIVESMITH_DIALOG_TEMPLATE), nullptr,
                      &Win32DialogView::DialogProcedure, reinterpret_cast<LPARAM>(this));
  guard_.Attach(nullptr);
  dialog_ = nullptr;
  window_ = nullptr;
  return result == IDOK ? DialogResult::Ok : DialogResult::Cancel;
}

INT_PTR CALLBACK Win32DialogView::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    reinterpret_cast<Win32DialogView*>(lParam)->window_ = window;
  }
  auto* view = reinterpret_cast<Win32DialogView*>(GetWindowLongPtrA(window, DWLP_USER));
  if (view == nullptr) {
    return FALSE;
  }
  return view->HandleMessage(message, wParam, lParam);
}

INT_PTR Win32DialogView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      if (initObserver_) {
        initObserver_(window_);
      }
      // True: the first control in tab order takes the focus.
      return dialog_->InitDialog() ? TRUE : FALSE;
    }
    case WM_COMMAND:
      HandleCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_PAINT:
      if (IsIconic(window_)) {
        PaintMinimised();
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(largeIcon_);
    case WM_DESTROY:
      // The image buffer goes with the window.
      dialog_->OnDestroy();
      return FALSE;
    default:
      (void)lParam;
      return FALSE;
  }
}

void Win32DialogView::HandleCommand(int id, int notification) {
  // Buttons report BN_CLICKED and the logo STN_CLICKED, both 0; the logo's
  // double-click notification is not a click.
  if (notification != BN_CLICKED && id != IDCANCEL) {
    return;
  }
  // A click or key from before the end of an update, which Windows handed
  // over only now, is dropped: the message that led here is that old.
  if (updateEnded_ &&
      static_cast<LONG>(static_cast<DWORD>(GetMessageTime()) - updateEndTime_) < 0) {
    return;
  }
  switch (id) {
    case static_cast<int>(ControlId::NextStart):
      Press(DialogInput::NextStart);
      break;
    case static_cast<int>(ControlId::Back):
      Press(DialogInput::Back);
      break;
    case static_cast<int>(ControlId::Close):
      Press(DialogInput::Close);
      break;
    case static_cast<int>(ControlId::Logo):
      Press(DialogInput::Logo);
      break;
    case IDCANCEL:  // the Escape key and the window's close box
      Press(DialogInput::Cancel);
      break;
    default:
      break;
  }
}

void Win32DialogView::Press(DialogInput input) {
  if (!guard_.UpdateRunning()) {
    focusBeforePress_ = GetFocus();
  }
  // The click, key or message behind this press came at its message time.
  guard_.Press(input, InputTime(static_cast<std::uint32_t>(GetMessageTime())));
}

void Win32DialogView::PaintMinimised() {
  PAINTSTRUCT paint;
  HDC context = BeginPaint(window_, &paint);
  SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client;
  GetClientRect(window_, &client);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(context, x, y, largeIcon_);
  EndPaint(window_, &paint);
}

HWND Win32DialogView::Control(ControlId id) const {
  return window_ == nullptr ? nullptr : GetDlgItem(window_, static_cast<int>(id));
}

LRESULT Win32DialogView::SendToControl(ControlId id, UINT message, WPARAM wParam,
                                       LPARAM lParam) const {
  HWND control = Control(id);
  return control == nullptr ? 0 : SendMessageA(control, message, wParam, lParam);
}

void Win32DialogView::ServeAllButInput() {
  // Input stays queued until the update ends.
  ServeNonInputMessages();
}

void Win32DialogView::DropQueuedInput() {
  updateEnded_ = true;
  updateEndTime_ = GetTickCount();
  ::drivesmith::DropQueuedInput();
  RestoreFocus(focusBeforePress_);
}

void Win32DialogView::RestoreFocus(HWND before) {
  // The update disabled the buttons, and a disabled control loses the
  // focus; without one, keys reach the dialog as system keys and Escape
  // would no longer close it. The focus goes to the next control in tab
  // order that can take it.
  HWND focus = GetFocus();
  if (window_ == nullptr ||
      (focus != nullptr && IsChild(window_, focus) && IsWindowEnabled(focus))) {
    return;
  }
  HWND from = before != nullptr && IsChild(window_, before) ? before : nullptr;
  if (HWND next = GetNextDlgTabItem(window_, from, FALSE)) {
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
  }
}

void Win32DialogView::SetCaption(const std::string& text) { SetWindowTextA(window_, text.c_str()); }

void Win32DialogView::SetIcons() {
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void Win32DialogView::SetControlText(ControlId id, const std::string& text) {
  if (id == ControlId::DriveList) {
    // A drop-down list without edit field selects the entry with this text.
    const LRESULT found = SendToControl(id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(text.c_str()));
    SendToControl(id, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    return;
  }
  if (HWND control = Control(id)) {
    SetWindowTextA(control, text.c_str());
  }
}

std::string Win32DialogView::ControlText(ControlId id) {
  if (id == ControlId::DriveList) {
    return SelectedListText();
  }
  return WindowText(Control(id));
}

void Win32DialogView::EnableControl(ControlId id, bool enabled) {
  if (HWND control = Control(id)) {
    EnableWindow(control, enabled ? TRUE : FALSE);
  }
}

void Win32DialogView::ShowControl(ControlId id, bool visible) {
  if (HWND control = Control(id)) {
    ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
  }
}

void Win32DialogView::SetChecked(ControlId id, bool checked) {
  SendToControl(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32DialogView::IsChecked(ControlId id) {
  return SendToControl(id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogView::ClearList() { SendToControl(ControlId::DriveList, CB_RESETCONTENT, 0, 0); }

void Win32DialogView::AppendListEntry(const std::string& text) {
  // The list is not sorted: the entry goes to its end, and the selection
  // stays as it is.
  SendToControl(ControlId::DriveList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32DialogView::SelectListEntry(int index) {
  const LRESULT count = SendToControl(ControlId::DriveList, CB_GETCOUNT, 0, 0);
  if (index >= 0 && index < count) {
    SendToControl(ControlId::DriveList, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

std::string Win32DialogView::SelectedListText() {
  const LRESULT selected = SendToControl(ControlId::DriveList, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) {
    return {};
  }
  const LRESULT length =
      SendToControl(ControlId::DriveList, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
  if (length == CB_ERR || length <= 0) {
    return {};
  }
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendToControl(ControlId::DriveList, CB_GETLBTEXT, static_cast<WPARAM>(selected),
                    reinterpret_cast<LPARAM>(text.data()));
  return copied == CB_ERR ? std::string()
                          : std::string(text.data(), static_cast<std::size_t>(copied));
}

void Win32DialogView::SetProgressRange(int low, int high) {
  progressLow_ = low;
  progressHigh_ = std::max(low, high);
  SendToControl(ControlId::ProgressBar, PBM_SETRANGE, 0,
                MAKELPARAM(static_cast<WORD>(progressLow_), static_cast<WORD>(progressHigh_)));
}

void Win32DialogView::SetProgressPosition(std::int32_t position) {
  // A position beyond an end of the range shows as that end.
  const int shown = std::clamp(static_cast<int>(position), progressLow_, progressHigh_);
  SendToControl(ControlId::ProgressBar, PBM_SETPOS, static_cast<WPARAM>(shown), 0);
  if (HWND bar = Control(ControlId::ProgressBar)) {
    UpdateWindow(bar);
  }
  guard_.NoteBusy();
}

void Win32DialogView::RepaintNow() {
  RedrawWindow(window_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  guard_.NoteBusy();
}

MessageBoxAnswer Win32DialogView::ShowMessageBox(const std::string& text,
                                                 const std::string& caption, MessageBoxKind kind) {
  if (answerer_) {
    return answerer_(text, caption, kind);
  }
  return ShowWin32MessageBox(window_, text, caption, kind);
}

void Win32DialogView::EndDialog(DialogResult result) {
  ::EndDialog(window_, result == DialogResult::Ok ? IDOK : IDCANCEL);
}

}  // namespace drivesmith
