// An SMTP server that refuses a mail, at whichever stage: a temporary refusal
// (4xx) leaves the mail waiting in the Outbox for the next send/receive, a
// permanent one (5xx) leaves it there with the server's reason reported;
// neither is taken for a mail that may have been delivered.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/host/mail_host.h"
#include "platform/posix/store/store_error.h"
#include "platform/posix/transport/smtp_transport.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"

namespace velmora::posix {
namespace {

// An SMTP server on loopback whose reply at each stage ("greeting", "mail",
// "rcpt", "data", "end" after the data) the test sets; 250 otherwise.
class ScriptedSmtp {
 public:
  ScriptedSmtp() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), n) != 0 || ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
      ADD_FAILURE() << "no loopback socket";
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedSmtp() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  std::string Url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }
  void Refuse(const std::string& stage, const std::string& reply) {
    std::lock_guard lock(mutex_);
    script_ = {{stage, reply}};
  }
  int Taken() {
    std::lock_guard lock(mutex_);
    return taken_;
  }

 private:
  std::string Reply(const std::string& stage, const std::string& ok) {
    std::lock_guard lock(mutex_);
    const auto it = script_.find(stage);
    return it == script_.end() ? ok : it->second;
  }
  void Serve() {
    for (int c; (c = ::accept(fd_, nullptr, nullptr)) >= 0; ::close(c))
      Session(c);
  }
  void Session(int c) {
    std::string in;
    const auto line = [&]() -> std::optional<std::string> {
      for (std::size_t end; (end = in.find("\r\n")) == std::string::npos;) {
        char buf[4096];
        const ssize_t n = ::read(c, buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        in.append(buf, static_cast<std::size_t>(n));
      }
      const std::size_t end = in.find("\r\n");
      std::string l = in.substr(0, end);
      in.erase(0, end + 2);
      return l;
    };
    const auto say = [&](const std::string& reply) {
      const std::string l = reply + "\r\n";
      return ::write(c, l.data(), l.size()) == static_cast<ssize_t>(l.size()) && reply[0] < '4';
    };
    if (!say(Reply("greeting", "220 localhost ESMTP"))) return;
    while (auto l = line()) {
      const std::string verb = l->substr(0, 4);
      if (verb == "MAIL") {
        say(Reply("mail", "250 OK"));
      } else if (verb == "RCPT") {
        say(Reply("rcpt", "250 OK"));
      } else if (verb == "DATA") {
        if (!say(Reply("data", "354 End with <CRLF>.<CRLF>"))) continue;
        while ((l = line()) && *l != ".") {
        }
        if (say(Reply("end", "250 OK"))) {
          std::lock_guard lock(mutex_);
          ++taken_;
        }
      } else if (verb == "QUIT") {
        say("221 Bye");
        return;
      } else {
        say("250 localhost");  // EHLO, HELO, RSET, NOOP
      }
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, std::string> script_;
  int taken_ = 0;
};

TEST(SmtpRefusal, AnyRefusalLeavesTheMailWaitingWithTheReasonNeverHeld) {
  ScriptedSmtp server;
  SmtpTransport smtp(server.Url());
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
      item->SetSubject(what);
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
      EXPECT_EQ(server.Taken(), sent) << what;

      // The next send/receive, the server willing, delivers it once.
      server.Refuse("none", "");
      group->Start();
      loop.Drain();
      EXPECT_EQ(server.Taken(), ++sent) << what;
      EXPECT_FALSE(mail->Store().LoadItem(item->EntryID())->fields.submitted) << what;
    }
  }
}

}  // namespace
}  // namespace velmora::posix
