// The add-in's modal scheduling dialogs and its about box as the commands see
// them. The commands set the hand-over values (g_EditProps, g_DialogOK,
// g_TopMost, the owner rectangle: addin/store/globals.h) before they show a
// dialog and read g_DialogOK and the record after it has closed. The deliverable
// with windows implements this over its dialog views; tests script it.
#pragma once

namespace velmora {

class DialogPort {
 public:
  virtual ~DialogPort() = default;
  // The send-time dialog (frmOnce), modal: returns when it has closed, also
  // when the user went on from it to the recurrence dialog.
  virtual void ShowOnce() = 0;
  // The recurrence dialog (frmRecurrence), modal: returns when it has closed,
  // also when the user went on from it to the send-time dialog.
  virtual void ShowRecurrence() = 0;
  // The about box (frmAbout), not modal: returns at once.
  virtual void ShowAbout() = 0;
  // The primary screen's twips per pixel, across and down (15 at 96 dpi); the
  // owner rectangle is handed to the dialogs in twips.
  virtual double TwipsPerPixelX() = 0;
  virtual double TwipsPerPixelY() = 0;
};

}  // namespace velmora
