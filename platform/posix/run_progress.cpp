#include "platform/posix/run_progress.h"

#include "common/services.h"
#include "common/trap.h"

namespace velmora::posix {

namespace {

std::string Recipients(const OutgoingMail& mail) {
  std::string out;
  for (const std::string& r : mail.recipients)
    out += (out.empty() ? "" : ", ") + r;
  return out.empty() ? std::string("nobody") : out;
}

}  // namespace

void RunProgress::Line(const std::string& text) {
  if (!out_) return;
  // A progress line must never stop the host (a closed terminal, a full pipe).
  Ignore([&] {
    *out_ << "velmora: " << text << '\n';
    out_->flush();
  });
}

void RunProgress::Started(const std::string& storePath, const std::string& delivery,
                          std::optional<DateTime> nextDue, bool sendAndExit) {
  Line("host started; store " + storePath + "; delivery " + delivery + "; next due " +
       (nextDue ? DateText(*nextDue) : std::string("none")) +
       (sendAndExit ? "; sends what is due, then exits" : "; Ctrl-C stops it"));
}

void RunProgress::Recovering(int mails) {
  Line("sending " + std::to_string(mails) + " mail(s) left in the Outbox by an earlier run");
}

void RunProgress::Delivered(const OutgoingMail& mail) {
  delivered_.push_back("\"" + mail.subject + "\" -> " + Recipients(mail));
}

void RunProgress::SendReceiveEnded(const std::string& nextDueText) {
  if (delivered_.empty()) return;
  std::string text = "sent " + std::to_string(delivered_.size()) + ": ";
  for (std::size_t i = 0; i < delivered_.size(); ++i)
    text += (i ? "; " : "") + delivered_[i];
  delivered_.clear();
  Line(text + "; next due " + (nextDueText.empty() ? std::string("none") : nextDueText));
}

void RunProgress::Exiting(const std::string& why) {
  Line("host exits: " + why);
}

std::string HeldBackText(const std::string& subject, const std::string& entryId) {
  return "\"" + subject + "\" (id " + entryId +
         ") may already have been sent; not sent again — use `velmora resend " + entryId +
         "` to send it";
}

void ReportingTransport::Deliver(const OutgoingMail& mail) {
  inner_.Deliver(mail);
  progress_.Delivered(mail);
}

}  // namespace velmora::posix
