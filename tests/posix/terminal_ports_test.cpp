// The add-in's user-facing ports on a host without windows: a message box is
// one line on the terminal answered with its default button, and the
// keystrokes the add-in sends for "send now" start the host's send/receive.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/posix/host/mail_host.h"
#include "platform/posix/terminal_ports.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/recording_transport.h"

namespace velmora::posix {
namespace {

TEST(TerminalMessageBoxTest, PrintsOneLineAndAnswersTheDefaultButton) {
  std::ostringstream out;
  TerminalMessageBox box(&out);
  EXPECT_EQ(
      box.Show("Subsequent show Velmora props (yes)\r\nSet Velmora Time (no)", mb::kYesNoCancel),
      mb::kYes);
  EXPECT_EQ(box.Show("There must be at least one name", mb::kOkOnly | mb::kTopMost), mb::kOk);
  EXPECT_EQ(box.Show("Some months have fewer than 31 days.", 1), mb::kOk);
  EXPECT_EQ(out.str(),
            "velmora: Subsequent show Velmora props (yes)  Set Velmora Time (no)\n"
            "velmora: There must be at least one name\n"
            "velmora: Some months have fewer than 31 days.\n");
  ASSERT_EQ(box.Shown().size(), 3u);
  EXPECT_EQ(box.Shown()[1], "There must be at least one name");

  TerminalMessageBox quiet(nullptr);
  EXPECT_EQ(quiet.Show("kept only", mb::kOkOnly), mb::kOk);
  EXPECT_EQ(quiet.Shown().size(), 1u);
}

TEST(SendReceiveKeysTest, AnyKeystrokeStartsTheSendReceiveOfTheOutbox) {
  test::ManualClock clock;
  test::ManualDispatcher loop;
  test::RecordingTransport wire;
  auto mail = MailHost::OpenInMemory({.dispatcher = &loop, .transport = &wire, .clock = &clock});
  auto ns = mail->App()->GetNamespace("MAPI");
  auto item = ns->GetDefaultFolder(host::ol::kFolderOutbox)->Items()->Add(host::ol::kMailItem);
  item->SetTo("ann@example.com");
  item->SetSubject("waiting");
  item->Save();
  auto safe = mail->Objects().CreateSafeMailItem();
  safe->SetItem(item);
  safe->Send();

  SendReceiveKeys keys(mail->App());
  keys.SendKeys("%{F5}");
  EXPECT_TRUE(wire.Sent().empty()) << "the send/receive runs from the loop, not inside the call";
  loop.Drain();
  ASSERT_EQ(wire.Sent().size(), 1u);
  EXPECT_EQ(wire.Sent()[0].subject, "waiting");

  SendReceiveKeys none(nullptr);
  EXPECT_THROW(none.SendKeys("%{F9}"), HostError);
}

}  // namespace
}  // namespace velmora::posix
