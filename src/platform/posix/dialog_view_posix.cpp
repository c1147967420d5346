#include "platform/dialog_view.h"

namespace {
class PosixDialogView final : public DialogView {
 public:
  int RunModal(void*, DialogController&) override { return -1; }
  void OpenWithProgram(const std::string&, const std::string&, const std::string&) override {}
};
}  // namespace

std::unique_ptr<DialogView> NewPlatformDialogView() { return std::make_unique<PosixDialogView>(); }
