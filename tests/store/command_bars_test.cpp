// Command bars of the standalone host's windows as the add-in uses them:
// Click reaching every held control with the clicked one's tag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/host/command_bars.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using StoreCommandBars = MailHostTest;

TEST_F(StoreCommandBars, ClickReachesEveryHeldControlWithTheSameTag) {
  auto first = mail->OpenInspector(SavedMail(Drafts(), "first"));
  auto second = mail->OpenInspector(SavedMail(Drafts(), "second"));
  const auto button = [](const auto& window, const std::string& tag) {
    auto b = window->CommandBars()
                 ->Item("Standard")
                 ->Controls()
                 ->Add(host::AddControlArgs{.type = 1, .temporary = true});
    b->SetTag(tag);
    return b;
  };
  auto held = button(first, "BrelcorVelmora");
  auto other = button(second, "BrelcorVelmora");
  auto untagged = button(second, "");
  std::vector<std::string> heard;
  auto s1 = held->OnClick([&](host::CommandBarControlPtr c, bool&) {
    heard.push_back(c == other ? "held heard other" : "held heard itself");
  });
  auto s2 =
      untagged->OnClick([&](host::CommandBarControlPtr, bool&) { heard.push_back("untagged"); });
  // The window of the held control closes; the reference still serves.
  first->Close(host::ol::kDiscard);
  other->Execute();
  untagged->Execute();
  EXPECT_EQ(heard, (std::vector<std::string>{"held heard other", "untagged"}));
}

}  // namespace
}  // namespace velmora::test
