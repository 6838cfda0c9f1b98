// A message box that records what it was asked to show and answers from a
// script (OK when the script is empty).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "addin/store/addin_services.h"

namespace velmora::test {

class ScriptedMessageBox final : public MessageBoxPort {
 public:
  struct Shown {
    std::string text;
    int style;
  };
  int Show(std::string_view text, int style) override {
    shown.push_back({std::string(text), style});
    if (answers.empty()) return mb::kOk;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<Shown> shown;
  std::deque<int> answers;
};

}  // namespace velmora::test
