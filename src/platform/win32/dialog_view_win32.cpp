// The dialog view on Windows: the template from the resource module, run by the dialog manager.
#include <windows.h>
#include <shellapi.h>

#include "platform/dialog_view.h"

namespace {

// State of the one open dialog; the dialog manager gives us no other place for it.
struct OpenDialog {
  DialogController* controller = nullptr;
  HMODULE module = nullptr;
  HFONT bold = nullptr;
  DialogForm shown;  // what the controls show now, so only changes are sent
};
OpenDialog* g_open = nullptr;

std::string WindowText(HWND control) {
  char text[1024];
  int n = GetWindowTextA(control, text, sizeof text);
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

void ShowList(HWND list, const DialogControl& c, const DialogControl* before) {
  if (!before || before->rows != c.rows) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& row : c.rows) {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
  }
  if (SendMessageA(list, CB_GETCURSEL, 0, 0) != c.selectedRow) {
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(c.selectedRow), 0);
  }
}

// Brings every addressed control in line with the controller's form.
void Show(HWND dialog, OpenDialog& open, bool first) {
  const DialogForm& form = open.controller->Form();
  for (const DialogControl& c : form.controls) {
    if (c.id == kDialogNoId) continue;
    HWND control = GetDlgItem(dialog, c.id);
    if (!control) continue;
    const DialogControl* before = first ? nullptr : open.shown.Find(c.id);
    if (first && c.bold && open.bold) {
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(open.bold), TRUE);
    }
    switch (c.kind) {
      case DialogControlKind::kDropDownList:
        ShowList(control, c, before);
        break;
      case DialogControlKind::kCheckBox:
      case DialogControlKind::kRadioButton:
        CheckDlgButton(dialog, c.id, c.checked ? BST_CHECKED : BST_UNCHECKED);
        [[fallthrough]];
      default:
        if (c.kind != DialogControlKind::kPicture && WindowText(control) != c.text) {
          SetWindowTextA(control, c.text.c_str());
        }
        break;
    }
    if ((IsWindowEnabled(control) != FALSE) != c.enabled) EnableWindow(control, c.enabled);
  }
  open.shown = form;
}

HFONT CreateBoldFont(const DialogForm& form) {
  HDC screen = GetDC(nullptr);
  // A positive height asks for the cell height of a 10-point font at the screen's resolution.
  const int height = GetDeviceCaps(screen, LOGPIXELSY) * 10 / 72;
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     VARIABLE_PITCH | FF_SWISS, form.fontFace.c_str());
}

// Bitmaps are combined with the background by AND, so their white pixels leave it as it is.
void PaintPictures(HWND dialog, HDC dc, const OpenDialog& open) {
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  for (const DialogControl& c : open.controller->Form().controls) {
    if (c.kind != DialogControlKind::kPicture) continue;
    HWND place = GetDlgItem(dialog, c.id);
    HBITMAP bitmap = LoadBitmapA(open.module, MAKEINTRESOURCEA(c.bitmap));
    if (!place || !bitmap) {
      if (bitmap) DeleteObject(bitmap);
      continue;
    }
    RECT rect;
    GetWindowRect(place, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    const int x = rect.left + (rect.right - rect.left - info.bmWidth) / 2;
    const int y = rect.top + (rect.bottom - rect.top - info.bmHeight) / 2;
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCAND);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
}

const DialogControl* Control(const OpenDialog& open, int id) {
  return open.controller->Form().Find(id);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      g_open = reinterpret_cast<OpenDialog*>(lParam);
      g_open->bold = CreateBoldFont(g_open->controller->Form());
      Show(dialog, *g_open, true);
      return TRUE;
    }
    case WM_PAINT: {
      if (!g_open) return FALSE;
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      PaintPictures(dialog, dc, *g_open);
      EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_COMMAND: {
      if (!g_open) return FALSE;
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == kDialogOk || id == kDialogCancel) {
        EndDialog(dialog, id);
        return TRUE;
      }
      const DialogControl* c = Control(*g_open, id);
      if (!c) return FALSE;
      if ((c->kind == DialogControlKind::kCheckBox || c->kind == DialogControlKind::kRadioButton) &&
          code == BN_CLICKED) {
        g_open->controller->OnCheck(id, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
      } else if (c->kind == DialogControlKind::kDropDownList && code == CBN_SELCHANGE) {
        const LRESULT row = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
        g_open->controller->OnSelect(id, static_cast<int>(row));
      } else if (c->kind == DialogControlKind::kPushButton && code == BN_CLICKED) {
        g_open->controller->OnPush(id);
      } else {
        return FALSE;
      }
      Show(dialog, *g_open, false);
      return TRUE;
    }
    case WM_DESTROY:
      if (g_open && g_open->bold) {
        DeleteObject(g_open->bold);
        g_open->bold = nullptr;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

class Win32DialogView final : public DialogView {
 public:
  int RunModal(void* resource_module, DialogController& controller) override {
    if (g_open) return -1;  // one dialog at a time
    OpenDialog open;
    open.controller = &controller;
    open.module = static_cast<HMODULE>(resource_module);
    const INT_PTR result =
        DialogBoxParamA(open.module, MAKEINTRESOURCEA(controller.Form().templateId),
                        GetActiveWindow(), DialogProc, reinterpret_cast<LPARAM>(&open));
    if (open.bold) DeleteObject(open.bold);  // the dialog failed before WM_DESTROY
    g_open = nullptr;
    if (result == kDialogOk || result == kDialogCancel) return static_cast<int>(result);
    return -1;
  }

  void OpenWithProgram(const std::string& program, const std::string& file,
                       const std::string& folder) override {
    ShellExecuteA(nullptr, "open", program.c_str(), file.c_str(), folder.c_str(), SW_SHOWNORMAL);
  }
};

}  // namespace

std::unique_ptr<DialogView> NewPlatformDialogView() { return std::make_unique<Win32DialogView>(); }
