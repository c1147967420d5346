#include "platform/dialog_view.h"

const DialogControl* DialogForm::Find(int id) const {
  for (const DialogControl& control : controls) {
    if (control.id == id && id != kDialogNoId) return &control;
  }
  return nullptr;
}

DialogControl* DialogForm::Find(int id) {
  return const_cast<DialogControl*>(static_cast<const DialogForm&>(*this).Find(id));
}
