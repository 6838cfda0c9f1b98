// The add-in's user-facing ports on a host without windows: a message box is
// one line on the terminal answered with its default button, and the
// keystrokes the add-in sends for "send now" start the host's send/receive.
#include <gtest/gtest.h>

#include <sstream>

#include "common/host_error.h"
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
  EXPECT_EQ(out.str(),
            "velmora: Subsequent show Velmora props (yes)  Set Velmora Time (no)\n"
            "velmora: There must be at least one name\n");
  EXPECT_EQ(TerminalMessageBox(nullptr).Show("kept only", mb::kOkOnly), mb::kOk);
}

TEST(SendReceiveKeysTest, AnyKeystrokeStartsTheSendReceiveOfTheOutbox) {
  test::ManualClock clock;
  test::ManualDispatcher loop;
  test::RecordingTransport wire;
  auto mail = MailHost::OpenInMemory({.dispatcher = &loop, .transport = &wire, .clock = &clock});
  auto ns = mail->App()->GetNamespace("MAPI");
  auto item = ns->GetDefaultFolder(host::ol::kFolderOutbox)->Items()->Add(host::ol::kMailItem);
  item->SetTo("ann@example.com");
  item->Save();
  auto safe = mail->Objects().CreateSafeMailItem();
  safe->SetItem(item);
  safe->Send();

  SendReceiveKeys(mail->App()).SendKeys("%{F5}");
  EXPECT_TRUE(wire.Sent().empty()) << "the send/receive runs from the loop, not inside the call";
  loop.Drain();
  EXPECT_EQ(wire.Sent().size(), 1u);
  EXPECT_THROW(SendReceiveKeys(nullptr).SendKeys("%{F9}"), HostError);
}

}  // namespace
}  // namespace velmora::posix
