// The add-in's dialogs as a script: each time a dialog opens, the next step of
// the script plays the user (it may change the record and says whether the
// user pressed OK); with no step left the user cancels. What each dialog was
// handed is recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin/connect/dialog_port.h"
#include "addin/model/mail_props.h"
#include "addin/store/globals.h"

namespace velmora::test {

class ScriptedDialogs final : public DialogPort {
 public:
  using Step = std::function<bool(CMailProps& record)>;
  struct Shown {
    std::string dialog;  // "once" or "recurrence"
    CMailProps record;   // as the dialog found it
    bool topMost = false;
    std::int32_t left = 0, top = 0, width = 0, height = 0;
  };

  void ShowOnce() override { Show("once"); }
  void ShowRecurrence() override { Show("recurrence"); }
  void ShowAbout() override { ++abouts; }
  double TwipsPerPixelX() override { return 15.0; }
  double TwipsPerPixelY() override { return 12.0; }

  // The user accepts the time.
  static Step AcceptAt(DateTime t) {
    return [t](CMailProps& r) {
      r.m_ScheduleTime = t;
      return true;
    };
  }
  static Step Cancel() {
    return [](CMailProps&) { return false; };
  }

  std::deque<Step> script;
  std::vector<Shown> shown;
  int abouts = 0;
  bool failing = false;  // the dialog cannot be shown

 private:
  void Show(const char* dialog) {
    if (failing) throw std::runtime_error("the dialog cannot be created");
    if (!g_EditProps) throw std::logic_error("a dialog shown without a record");
    if (g_DialogOK) throw std::logic_error("a dialog shown with g_DialogOK already set");
    shown.push_back(
        {dialog, *g_EditProps, g_TopMost, g_OwnerLeft, g_OwnerTop, g_OwnerWidth, g_OwnerHeight});
    if (script.empty()) return;
    Step step = std::move(script.front());
    script.pop_front();
    if (step(*g_EditProps)) g_DialogOK = true;
  }
};

}  // namespace velmora::test
