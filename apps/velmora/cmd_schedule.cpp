// velmora schedule: writes a mail and schedules it in one step, as the
// schedule button does for a mail being written: the recipient check, the
// first occurrence, the schedule on the mail, and the move into the
// scheduled-mail folder — all of it or, on any refusal, nothing.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/folder.h"
#include "addin/store/sending.h"
#include "apps/velmora/command.h"
#include "apps/velmora/schedule_mail.h"
#include "apps/velmora/schedule_options.h"
#include "apps/velmora/store_session.h"
#include "common/case_fold.h"
#include "common/host_error.h"
#include "common/services.h"
#include "platform/posix/host/mail_item.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/sqlite.h"
#include "platform/posix/transport/mime.h"

namespace velmora::cli {

namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& option, const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec))
    throw UsageError(option + ": '" + path + "' is a folder, not a file");
  if (!fs::exists(path, ec)) throw UsageError(option + ": no such file: '" + path + "'");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError(option + ": cannot read '" + path + "'");
  std::string text;
  try {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    in.setstate(std::ios::badbit);  // a device or a file that fails mid-read
  }
  if (in.bad()) throw UsageError(option + ": cannot read '" + path + "'");
  return text;
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec) return path;
  return p.lexically_normal().string();
}

void CheckEntry(const std::string& option, const std::string& entry) {
  if (auto problem = CMailProps::AttachmentEntryProblem(entry))
    throw UsageError(option + ": " + *problem);
}

class ScheduleCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_option("--to", to_, "Recipients, separated by ; or ,")->type_name("LIST");
    sub.add_option("--cc", cc_, "Copy recipients")->type_name("LIST");
    sub.add_option("--bcc", bcc_, "Hidden recipients")->type_name("LIST");
    subject_ = sub.add_option("--subject", subjectText_, "Subject")->type_name("TEXT");
    body_ = sub.add_option("--body", bodyText_, "Body text")->type_name("TEXT");
    bodyFile_ = sub.add_option("--body-file", bodyFileText_, "Read the body from a file")
                    ->type_name("FILE");
    eml_ = sub.add_option("--eml", emlText_,
                          "Take recipients, subject, body and attachments from a mail file; "
                          "--to, --cc, --bcc and --subject replace its own")
               ->type_name("FILE");
    sub.add_option("--attach-file", files_, "Attach this file as it is when the mail leaves")
        ->type_name("PATH");
    sub.add_option("--attach-newest", folders_,
                   "Attach the newest file of this folder when the mail leaves")
        ->type_name("DIR");
    schedule_.Define(sub);
  }

  void Validate() override {
    if ((body_->count() > 0) + (bodyFile_->count() > 0) + (eml_->count() > 0) > 1)
      throw UsageError("--body: give only one of --body, --body-file, --eml");
    // A subject goes out labelled UTF-8: other bytes would reach the reader
    // as garbage.
    if (subject_->count() && !IsUtf8(subjectText_))
      throw UsageError("--subject: the text is not UTF-8 (check the terminal's character set)");
    for (const auto& [option, list] : {std::pair{"--to", &to_}, {"--cc", &cc_}, {"--bcc", &bcc_}})
      if (!IsUtf8(*list)) throw UsageError(std::string(option) + ": the text is not UTF-8");
    schedule_.Validate();
  }

  int Run(std::ostream& out) override {
    const posix::ScheduleRequest request = schedule_.Resolve();
    std::vector<std::string> sources = Sources();
    posix::ParsedMail content = Content();

    StoreSession session;
    posix::sql::WriteTransaction tx(session.Host().Store().Db());
    host::MailItemPtr mail = NeedPtr(session.App()->CreateItem(host::ol::kMailItem));
    mail->SetTo(to_.empty() ? content.to : to_);
    mail->SetCC(cc_.empty() ? content.cc : cc_);
    mail->SetBCC(bcc_.empty() ? content.bcc : bcc_);
    mail->SetSubject(subject_->count() ? subjectText_ : content.subject);
    mail->SetBody(content.body);
    mail->SetImportance(content.importance);
    if (!content.attachments.empty()) {
      // The .eml's attachments are bytes already: embedded as they are.
      auto* item = NeedPtr(dynamic_cast<posix::HostMailItem*>(mail.get()),
                           "The mail cannot take attachments");
      for (posix::ParsedAttachment& a : content.attachments)
        item->AddAttachment({a.fileName, SafeName(a.fileName), std::move(a.bytes)});
    }

    CMailProps record;
    record.m_collAttachments = std::move(sources);
    const std::vector<std::string> notes = ScheduleMail(session, request, record, mail, true);
    const std::string id = MoveToScheduled(mail, session.VelmoraFolder(true));
    tx.Commit();
    session.SaveNextOccurence();

    ReportScheduled(out, "schedule", "scheduled", id, notes, record);
    if (record.m_ScheduleTime <= Now())
      out << "already due: it leaves at the host's next pass (velmora run)\n";
    return 0;
  }

 private:
  std::vector<std::string> Sources() const {
    std::vector<std::string> sources;
    for (const std::string& f : files_) {
      const std::string path = Absolute(f);
      CheckEntry("--attach-file", path);
      std::error_code ec;
      if (fs::is_directory(path, ec))
        throw UsageError("--attach-file: '" + f +
                         "' is a folder; --attach-newest attaches the newest file of a folder");
      if (!fs::is_regular_file(path, ec))
        throw UsageError("--attach-file: no such file: '" + f + "'");
      sources.push_back(path);
    }
    for (const std::string& d : folders_) {
      std::string path = Absolute(d);
      std::error_code ec;
      if (fs::is_regular_file(path, ec))
        throw UsageError("--attach-newest: '" + d +
                         "' is a file, not a folder; --attach-file attaches a file");
      if (!fs::is_directory(path, ec))
        throw UsageError("--attach-newest: no such folder: '" + d + "'");
      // A folder entry is told from a file by its closing separator.
      if (path.empty() || path.back() != '/') path += '/';
      CheckEntry("--attach-newest", path);
      sources.push_back(path);
    }
    return sources;
  }

  posix::ParsedMail Content() const {
    posix::ParsedMail content;
    if (eml_->count()) {
      try {
        content = posix::ParseMime(ReadText("--eml", emlText_));
      } catch (const HostError& e) {
        throw UsageError("--eml: " + e.Description());
      }
    } else if (bodyFile_->count()) {
      content.body = ReadText("--body-file", bodyFileText_);
    } else {
      content.body = bodyText_;
    }
    return content;
  }

  static std::string SafeName(const std::string& name) {
    std::string s = fs::path(name).filename().string();
    if (s.empty() || s == "." || s == "..") s = "attachment";
    return s;
  }

  std::string to_, cc_, bcc_, subjectText_, bodyText_, bodyFileText_, emlText_;
  CLI::Option* subject_ = nullptr;
  CLI::Option* body_ = nullptr;
  CLI::Option* bodyFile_ = nullptr;
  CLI::Option* eml_ = nullptr;
  std::vector<std::string> files_, folders_;
  ScheduleOptions schedule_;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"schedule", "Write a mail and schedule it: once (--at) or on a recurrence",
                     [] { return std::make_unique<ScheduleCommand>(); }});

}  // namespace

}  // namespace velmora::cli
