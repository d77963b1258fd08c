// FIXME: placeholder until the dialogs land; replaced by the real dialog code.
#include "ui/DialogEntry.h"

namespace mirtane::ui {

std::int32_t RunMainDialog() { return -1; }
void ShowAboutBox(void* /*ownerWindow*/) {}

}  // namespace mirtane::ui
