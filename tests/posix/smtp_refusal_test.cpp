// An SMTP server that refuses a mail, at whichever stage: a temporary refusal
// (4xx) leaves the mail waiting in the Outbox for the next send/receive, a
// permanent one (5xx) leaves it there with the server's reason reported;
// neither is taken for a mail that may have been delivered. A server that
// takes the data and never answers is: the mail is held, not sent again.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/host_error.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/store/store_error.h"
#include "platform/posix/transport/smtp_transport.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"

namespace velmora::posix {
namespace {

// An SMTP server on loopback whose reply at one stage ("greeting", "mail",
// "rcpt", "data", "end" after the data) the test sets, "-" for none at all;
// it accepts everything else.
class ScriptedSmtp {
 public:
  ScriptedSmtp() {
    sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t n = sizeof a;
    EXPECT_TRUE(::bind(fd_, reinterpret_cast<sockaddr*>(&a), n) == 0 && ::listen(fd_, 4) == 0 &&
                ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n) == 0);
    url = "smtp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    thread_ = std::thread([this] {
      for (int c; (c = ::accept(fd_, nullptr, nullptr)) >= 0; ::close(c))
        Session(c);
    });
  }
  ~ScriptedSmtp() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  void Refuse(const std::string& stage, const std::string& reply) {
    std::lock_guard lock(mutex_);
    script_ = {stage, reply};
  }

  std::string url;
  std::atomic<int> taken = 0;

 private:
  void Session(int c) {
    std::string in;
    const auto line = [&]() -> std::optional<std::string> {
      for (char buf[4096]; in.find("\r\n") == std::string::npos;) {
        const ssize_t n = ::read(c, buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        in.append(buf, static_cast<std::size_t>(n));
      }
      std::string l = in.substr(0, in.find("\r\n"));
      in.erase(0, l.size() + 2);
      return l;
    };
    // Says the scripted reply or `ok`; True when that accepts.
    const auto say = [&](const std::string& stage, std::string reply) {
      {
        std::lock_guard lock(mutex_);
        if (stage == script_.first) reply = script_.second;
      }
      if (reply == "-") return false;
      reply += "\r\n";
      return ::write(c, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size()) &&
             reply[0] < '4';
    };
    if (!say("greeting", "220 localhost ESMTP")) return;
    while (auto l = line()) {
      const std::string verb = l->substr(0, 4);
      if (verb == "MAIL" || verb == "RCPT") {
        say(verb == "MAIL" ? "mail" : "rcpt", "250 OK");
      } else if (verb == "DATA") {
        if (!say("data", "354 End with <CRLF>.<CRLF>")) continue;
        while ((l = line()) && *l != ".") {
        }
        if (say("end", "250 OK")) ++taken;
      } else if (say("other", verb == "QUIT" ? "221 Bye" : "250 localhost") && verb == "QUIT") {
        return;  // EHLO, RSET, NOOP go on
      }
    }
  }

  int fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  std::thread thread_;
  std::mutex mutex_;
  std::pair<std::string, std::string> script_;
};

TEST(SmtpRefusal, AnyRefusalLeavesTheMailWaitingWithTheReasonNeverHeld) {
  ScriptedSmtp server;
  SmtpTransport smtp(server.url);
  test::ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  test::ManualDispatcher loop;
  auto mail = MailHost::OpenInMemory({.dispatcher = &loop, .transport = &smtp, .clock = &clock});
  mail->SetDefaultFrom("me@example.net");
  auto ns = mail->App()->GetNamespace("MAPI");
  auto group = ns->SyncObjects()->Item(1);
  std::vector<std::string> errors;
  auto sub = group->OnError([&](int, const std::string& text) { errors.push_back(text); });
  const auto outbox = mail->Store().DefaultFolder(host::ol::kFolderOutbox).id;

  int sent = 0;
  for (const char* stage : {"greeting", "mail", "rcpt", "data", "end"}) {
    for (const char* refusal : {"451 4.3.0 Try again later", "554 5.7.1 Not accepted"}) {
      const std::string what = std::string(refusal) + " at " + stage;
      auto item = ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
      item->SetTo("ann@example.com");
      item->Save();
      auto safe = mail->Objects().CreateSafeMailItem();
      safe->SetItem(item);
      safe->Send();

      server.Refuse(stage, refusal);
      errors.clear();
      group->Start();
      loop.Drain();
      auto record = mail->Store().LoadItem(item->EntryID());
      ASSERT_TRUE(record) << what;
      EXPECT_EQ(record->folderId, outbox) << what;
      EXPECT_TRUE(record->fields.submitted) << what;
      EXPECT_EQ(record->fields.transmission, transmission::kNone) << what;
      ASSERT_EQ(errors.size(), 1u) << what;
      EXPECT_NE(errors[0].find(refusal), std::string::npos) << errors[0];
      EXPECT_EQ(errors[0].find("may have been delivered"), std::string::npos) << errors[0];
      EXPECT_EQ(server.taken, sent) << what;

      // The next send/receive, the server willing, delivers it once.
      server.Refuse("none", "");
      group->Start();
      loop.Drain();
      EXPECT_EQ(server.taken, ++sent) << what;
      EXPECT_FALSE(mail->Store().LoadItem(item->EntryID())->fields.submitted) << what;
    }
  }
}

TEST(SmtpTimeout, AServerThatTakesTheDataAndNeverAnswersIsLeftAndTheMailHeld) {
  ScriptedSmtp server;
  server.Refuse("end", "-");
  OutgoingMail mail;
  mail.from = "me@example.com";
  mail.to = "ann@example.com";
  mail.recipients = {"ann@example.com"};
  mail.messageId = "<STUCK@example.com>";
  mail.date = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  SmtpTransport smtp(server.url, {.commandTimeoutSeconds = 1});
  const auto start = std::chrono::steady_clock::now();
  try {
    smtp.Deliver(mail);
    ADD_FAILURE() << "a mail nobody confirmed counted as delivered";
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), store_err::kHeldBack) << e.Description();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

}  // namespace
}  // namespace velmora::posix
