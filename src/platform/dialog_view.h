// The view of a modal dialog, driven by portable code.
//
// Portable code owns the form: every control's kind, place, text and state, and the rules that
// change them. The view only shows the form and reports what the user did; after each report it
// shows the form again as the controller left it. win32 runs the dialog template of the resource
// module through the system's dialog manager; POSIX draws a full-screen form on the terminal, laid
// out from the control table, and reads the keyboard.
//
// One dialog at a time per process; every call runs on the calling thread and RunModal returns
// only when the user has ended the dialog.
#ifndef REELBOX_PLATFORM_DIALOG_VIEW_H
#define REELBOX_PLATFORM_DIALOG_VIEW_H

#include <memory>
#include <string>
#include <vector>

enum class DialogControlKind {
  kGroupBox,
  kStatic,
  kRightStatic,  // right-aligned text
  kPicture,      // hidden place where a bitmap is painted, centred
  kCheckBox,
  kRadioButton,
  kDropDownList,
  kPushButton,
  kDefaultPushButton,
};

// Ids of the buttons that end a dialog; RunModal returns them.
constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
// Id of a control that is never addressed (a frame, a fixed label).
constexpr int kDialogNoId = -1;

struct DialogControl {
  int id = kDialogNoId;
  DialogControlKind kind = DialogControlKind::kStatic;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  std::string text;                         // "\n" breaks a line
  bool groupStart = false;                  // first radio button of a group
  bool bold = false;
  bool checked = false;
  bool enabled = true;
  int bitmap = 0;                           // kPicture: resource id of the bitmap
  std::vector<std::string> rows;            // kDropDownList: the rows, in order
  int selectedRow = -1;                     // kDropDownList: -1 when none
};

struct DialogForm {
  int templateId = 0;
  std::string title;
  std::string fontFace;
  int fontPoints = 0;
  int width = 0, height = 0;  // dialog units
  std::vector<DialogControl> controls;

  // nullptr when no control has this id.
  const DialogControl* Find(int id) const;
  DialogControl* Find(int id);
};

// What the view tells the portable side. Calls come only from inside RunModal.
class DialogController {
 public:
  virtual ~DialogController() = default;
  // The form as it is to be shown now.
  virtual const DialogForm& Form() const = 0;
  // The user set check box or radio button `id` to `checked`.
  virtual void OnCheck(int id, bool checked) = 0;
  // The user selected `row` of list `id`.
  virtual void OnSelect(int id, int row) = 0;
  // The user pressed push button `id`, one that does not end the dialog.
  virtual void OnPush(int id) = 0;
};

class DialogView {
 public:
  DialogView() = default;
  DialogView(const DialogView&) = delete;
  DialogView& operator=(const DialogView&) = delete;
  virtual ~DialogView() = default;

  // Shows the controller's form modal to the active window (win32: template Form().templateId of
  // `resource_module`, a module handle; POSIX: the terminal, `resource_module` unused) and returns
  // the id of the button that ended it: kDialogOk, or kDialogCancel for Cancel, Escape and closing
  // the window. Returns -1 when no dialog can be shown (no such template; POSIX: standard input
  // is not a terminal).
  virtual int RunModal(void* resource_module, DialogController& controller) = 0;

  // Opens `file` with `program` as the shell's "open" does, with `folder` as working directory,
  // shown normally. Nothing happens when the program cannot be started. POSIX has no such program
  // beside a terminal form: it shows the file in the user's $PAGER (else "less") on the terminal
  // and returns when the pager ends.
  virtual void OpenWithProgram(const std::string& program, const std::string& file,
                               const std::string& folder) = 0;
};

// The implementation of this target.
std::unique_ptr<DialogView> NewPlatformDialogView();

#endif  // REELBOX_PLATFORM_DIALOG_VIEW_H
