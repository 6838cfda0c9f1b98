// The scheduling dialogs' models on fakes: a screen of a chosen size,
// scripted pickers and message boxes, a shell that records what it opened,
// and a form host that loads each form and plays the test's script on it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "addin/dialogs/dialog_services.h"
#include "addin/dialogs/frm_attachments.h"
#include "addin/dialogs/frm_once.h"
#include "addin/dialogs/frm_recurrence.h"
#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "addin/store/globals.h"
#include "addin/support/about.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "support/dialog_fakes.h"
#include "support/scripted_message_box.h"

namespace velmora::test {

inline constexpr TwipSize kWindow{6000, 4000};

class FakeScreen final : public ScreenPort {
 public:
  TwipSize PrimaryScreen() override { return size; }
  TwipSize size{1920 * 15, 1080 * 15};
};

// Loads each form as its view would and plays the script for its kind; a
// form left open by its script is closed with Cancel, as the close box does.
class ScriptedForms final : public FormHost {
 public:
  void ShowModal(frmOnce& f) override { Play("once", f, once, kWindow); }
  void ShowModal(frmRecurrence& f) override { Play("recurrence", f, recurrence, kWindow); }
  void ShowModal(frmAttachments& f) override { Play("attachments", f, attachments); }
  void ShowModal(frmAbout&) override { shown.push_back("about"); }
  std::function<void(frmOnce&)> once;
  std::function<void(frmRecurrence&)> recurrence;
  std::function<void(frmAttachments&)> attachments;
  std::vector<std::string> shown;

 private:
  template <class Form, class... Size>
  void Play(const char* name, Form& f, const std::function<void(Form&)>& script, Size... size) {
    shown.push_back(name);
    f.Load(size...);
    if (script) script(f);
    if (!f.Closed()) f.ClickCancel();
  }
};

inline DateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  return DateTime::FromParts(y, m, d, h, mi, s);
}

class DialogTest : public testing::Test, protected DialogPorts {
 protected:
  DialogTest() { ResetDialogGlobals(15000, 10000); }
  ~DialogTest() override {
    g_EditProps.reset();
    g_IgnoreList.reset();
  }
  CMailProps& Props() { return *g_EditProps; }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : box.shown)
      texts.push_back(m.text);
    return texts;
  }

  FakeScreen screen;
  ScriptedForms forms;
  ScopedDialogServices dialogs{
      DialogServices{.screen = &screen, .pickers = &pickers, .forms = &forms}};
  // Weeks walk from Sunday whatever the machine's locale says.
  ScopedFirstDOW firstDow{1};
};

}  // namespace velmora::test
