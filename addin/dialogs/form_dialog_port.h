// The commands' dialog port over the form models: each call runs the models'
// own chain (send time <-> recurrence) through the installed form host.
#pragma once

#include "addin/connect/dialog_port.h"

namespace velmora {

class FormDialogPort : public DialogPort {
 public:
  // The screen's twips per pixel, measured by the deliverable (15 at 96 dpi).
  FormDialogPort(double twipsPerPixelX, double twipsPerPixelY)
      : twipsX_(twipsPerPixelX), twipsY_(twipsPerPixelY) {}

  void ShowOnce() override;
  void ShowRecurrence() override;
  void ShowAbout() override;
  double TwipsPerPixelX() override { return twipsX_; }
  double TwipsPerPixelY() override { return twipsY_; }

 private:
  double twipsX_;
  double twipsY_;
};

}  // namespace velmora
