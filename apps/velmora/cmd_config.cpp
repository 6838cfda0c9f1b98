// velmora config: the host's settings — delivery (SMTP server or local
// Maildir), the sender of mails without one, the regional settings stored
// dates are written in, the ignore list of the attachment folders, and the
// host version the add-in sees. Without options, or with --show, prints them.
#include <CLI/CLI.hpp>

#include <array>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "apps/velmora/store_session.h"
#include "common/host_error.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"
#include "platform/posix/regional_settings.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/sent_retention.h"
#include "platform/posix/store/recipients.h"
#include "platform/posix/store/sqlite.h"
#include "platform/posix/transport/transport_factory.h"
#include "tray/reg_params.h"

namespace velmora::cli {

namespace {

constexpr std::array<const char*, 7> kWindowsDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};

bool ParseYesNo(const std::string& option, const std::string& text) {
  const std::string v = ToLowerAscii(Trim(text));
  if (v == "yes" || v == "y" || v == "true" || v == "1" || v == "on") return true;
  if (v == "no" || v == "n" || v == "false" || v == "0" || v == "off") return false;
  throw UsageError(option + ": expected yes or no, got '" + text + "'");
}

bool IsVersionText(std::string_view v) {
  const std::vector<std::string> parts = Split(v, '.');
  if (parts.size() < 2 || parts.size() > 4) return false;
  for (const std::string& p : parts) {
    std::int32_t n = 0;
    if (p.empty() || p.size() > 5 || !ParseInt32(p, n) || n < 0 ||
        p.find_first_not_of("0123456789") != std::string::npos)
      return false;
  }
  return true;
}

// The registry's writes of one config command, rolled back unless committed:
// with the store's transaction, a refused option leaves every setting as it was.
class RegistryBatch {
 public:
  RegistryBatch() : registry_(dynamic_cast<posix::SqliteRegistry*>(GetServices().registry)) {
    if (registry_ && !registry_->BeginBatch()) registry_ = nullptr;
  }
  ~RegistryBatch() {
    if (registry_) registry_->EndBatch(false);
  }
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;
  bool Commit() { return !registry_ || std::exchange(registry_, nullptr)->EndBatch(true); }

 private:
  posix::SqliteRegistry* registry_;
};

class ConfigCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_flag("--show", show_, "Print every setting (the default without options)");
    smtp_ = sub.add_option("--smtp", smtpText_,
                           "Deliver through this SMTP server (smtp://host:port or smtps://...; "
                           "credentials from ~/.netrc); an empty URL goes back to the Maildir")
                ->type_name("URL");
    insecure_ = sub.add_option("--smtp-insecure", insecureText_,
                               "Allow the password from ~/.netrc to go to a server that is not "
                               "on loopback without TLS: yes or no (default no)")
                    ->type_name("yes|no");
    ca_ = sub.add_option("--smtp-ca", caText_,
                         "Trust the SMTP server's certificate when signed by one in this PEM "
                         "file (a private CA); empty for the system's certificates only")
              ->type_name("FILE");
    keep_ = sub.add_option("--keep-sent-attachments", keepText_,
                           "Days a sent mail keeps its attachments in the store (default 30; 0 "
                           "keeps them for ever); velmora purge drops older ones at once")
                ->type_name("DAYS");
    maildir_ = sub.add_option("--maildir", maildirText_,
                              "Deliver locally into this Maildir (absolute); empty for the default")
                   ->type_name("DIR");
    from_ =
        sub.add_option("--from", fromText_, "Sender of mails that name none; empty for the default")
            ->type_name("ADDRESS");
    shortDate_ =
        sub.add_option("--short-date", shortDateText_, "Short date picture, such as M/d/yyyy")
            ->type_name("PICTURE");
    longTime_ =
        sub.add_option("--long-time", longTimeText_, "Long time picture, such as h:mm:ss tt")
            ->type_name("PICTURE");
    timeSep_ =
        sub.add_option("--time-separator", timeSepText_, "Time separator")->type_name("TEXT");
    dateSep_ =
        sub.add_option("--date-separator", dateSepText_, "Date separator")->type_name("TEXT");
    am_ = sub.add_option("--am", amText_, "Morning designator")->type_name("TEXT");
    pm_ = sub.add_option("--pm", pmText_, "Afternoon designator")->type_name("TEXT");
    firstDow_ = sub.add_option("--first-day-of-week", firstDowText_,
                               "First day of the week: a weekday name, or 1 Sunday ... 7 Saturday")
                    ->type_name("DAY");
    ignore_ = sub.add_option("--ignore", ignoreText_,
                             "File names never taken as a folder's newest file, such as "
                             "\"thumbs.db, desktop.ini\"")
                  ->type_name("LIST");
    sysHidden_ =
        sub.add_option("--ignore-system-hidden", sysHiddenText_,
                       "Pass over hidden files (dot files) in attachment folders: yes or no")
            ->type_name("yes|no");
    version_ =
        sub.add_option("--host-version", versionText_,
                       "Host version the add-in sees, such as 9.0.0.2711 for the oldest host")
            ->type_name("VERSION");
  }

  void Validate() override {
    if (Given(version_) && !IsVersionText(Trim(versionText_)))
      throw UsageError("--host-version: expected a version such as 16.0.0.0, got '" + versionText_ +
                       "'");
    if (Given(sysHidden_)) sysHiddenValue_ = ParseYesNo("--ignore-system-hidden", sysHiddenText_);
    if (Given(insecure_)) insecureValue_ = ParseYesNo("--smtp-insecure", insecureText_);
    if (Given(keep_)) keepValue_ = ParseWhole("--keep-sent-attachments", keepText_, 0, 36500);
    if (Given(firstDow_)) {
      const int d = ParseFirstDow("--first-day-of-week", firstDowText_);
      if (d == 0)
        throw UsageError(
            "--first-day-of-week: expected a weekday name or 1 (Sunday) to 7 (Saturday)");
      firstDowValue_ = (d + 5) % 7;  // Windows numbering: 0 Monday ... 6 Sunday
    }
  }

  bool ReadsOnly() const override {
    for (const CLI::Option* o :
         {smtp_, maildir_, from_, shortDate_, longTime_, timeSep_, dateSep_, am_, pm_, firstDow_,
          ignore_, sysHidden_, version_, insecure_, ca_, keep_})
      if (Given(o)) return false;
    return true;
  }

  int Run(std::ostream& out) override {
    StoreSession session;
    if (ReadsOnly()) {
      Show(session, out);
      return 0;
    }
    auto& store = session.Host().Store();
    // All or nothing: a later option refused must not leave an earlier one set.
    posix::sql::WriteTransaction tx(store.Db());
    RegistryBatch registry;
    bool changed = false;
    if (keepValue_) {
      posix::SaveKeepSentAttachmentsDays(store, *keepValue_);
      changed = true;
    }
    if (insecureValue_) {
      posix::SaveSmtpInsecure(store, *insecureValue_);
      changed = true;
    }
    if (Given(smtp_)) {
      try {
        posix::SaveSmtpUrl(store, smtpText_);
      } catch (const HostError& e) {
        throw UsageError("--smtp: " + e.Description());
      }
      changed = true;
    }
    if (Given(ca_)) {
      try {
        posix::SaveSmtpCa(store, caText_);
      } catch (const HostError& e) {
        throw UsageError("--smtp-ca: " + e.Description());
      }
      changed = true;
    }
    if (Given(maildir_)) {
      try {
        posix::SaveMaildir(store, maildirText_);
      } catch (const HostError& e) {
        throw UsageError("--maildir: " + e.Description());
      }
      changed = true;
    }
    if (Given(from_)) {
      try {
        session.Host().SetDefaultFrom(std::string(Trim(fromText_)));
      } catch (const HostError& e) {
        throw UsageError("--from: " + e.Description());
      }
      changed = true;
    }
    if (Given(version_)) {
      session.Host().SetVersion(std::string(Trim(versionText_)));
      changed = true;
    }
    if (Given(ignore_) || sysHiddenValue_) {
      CIgnoreList list;
      list.Load();
      if (Given(ignore_)) list.FromString(ignoreText_);
      if (sysHiddenValue_) list.SetIgnoreSysHiden(*sysHiddenValue_);
      list.Save();
      changed = true;
    }
    if (RegionalChange()) {
      ChangeRegionalSettings(session);
      changed = true;
    }
    tx.Commit();
    if (!registry.Commit()) Raise(err::kFileIo, "the settings could not be saved to the registry");
    if (!changed || show_)
      Show(session, out);
    else
      out << "saved\n";
    return 0;
  }

 private:
  bool RegionalChange() const {
    return Given(shortDate_) || Given(longTime_) || Given(timeSep_) || Given(dateSep_) ||
           Given(am_) || Given(pm_) || firstDowValue_.has_value();
  }

  // The regional options given, for a message about what they make together.
  std::string RegionalOptionsGiven() const {
    std::string names;
    for (const CLI::Option* o : {shortDate_, longTime_, timeSep_, dateSep_, am_, pm_, firstDow_})
      if (Given(o)) names += (names.empty() ? "" : ", ") + o->get_name();
    return names;
  }

  // Stored schedules and "NextOccurence" hold dates as text in the regional
  // settings: they are rewritten in the new ones, or a changed date order
  // would read every stored date wrongly.
  void ChangeRegionalSettings(StoreSession& session) {
    RegistryBackend& registry = TheRegistry();
    const LocalePictures old = posix::LoadRegionalSettings(registry);
    LocalePictures next = old;
    if (Given(shortDate_)) next.shortDate = shortDateText_;
    if (Given(longTime_)) next.longTime = longTimeText_;
    if (Given(timeSep_)) next.timeSeparator = timeSepText_;
    if (Given(dateSep_)) next.dateSeparator = dateSepText_;
    if (Given(am_)) next.am = amText_;
    if (Given(pm_)) next.pm = pmText_;
    if (firstDowValue_) next.firstDayOfWeek = *firstDowValue_;
    if (auto problem = posix::RegionalSettingsProblem(next))
      throw UsageError(RegionalOptionsGiven() + ": " + *problem);

    posix::sql::WriteTransaction tx(session.Host().Store().Db());
    struct Stored {
      host::MailItemPtr mail;
      CMailProps record;
    };
    std::vector<Stored> stored;
    if (host::FolderPtr folder = session.VelmoraFolder(false)) {
      auto items = NeedPtr(folder->Items());
      for (int i = 1, n = items->Count(); i <= n; ++i) {
        auto mail = items->Item(i);
        if (!mail || mail->Class() != host::ol::kClassMail) continue;
        if (!NeedPtr(mail->UserProperties())->Find(std::string(kPropRecurrence))) continue;
        Stored s{mail, {}};
        s.record.ReadProps(mail);
        stored.push_back(std::move(s));
      }
    }
    posix::SaveRegionalSettings(registry, next);
    try {
      const PictureLocale locale(next);
      Services withNewLocale = GetServices();
      withNewLocale.locale = &locale;
      ScopedServices use(std::move(withNewLocale));
      for (Stored& s : stored) {
        s.record.WriteProps(s.mail);
        s.mail->Save();
      }
      tx.Commit();
      session.SaveNextOccurence();
    } catch (...) {
      Ignore([&] { posix::SaveRegionalSettings(registry, old); });
      throw;
    }
  }

  void Show(StoreSession& session, std::ostream& out) {
    auto& store = session.Host().Store();
    const posix::TransportSettings t = posix::LoadTransportSettings(store);
    const LocalePictures p = posix::LoadRegionalSettings(TheRegistry());
    CIgnoreList list;
    list.Load();
    const std::string from =
        std::string(Trim(store.Setting(posix::HostContext::kSettingFrom).value_or("")));
    const std::string next = tray::NextOccurenceText();
    out << "store:                 " << posix::MailHost::DefaultStorePath().string() << "\n"
        << "delivery:              "
        << (t.smtpUrl.empty() ? "Maildir " + t.maildir.string() : "SMTP " + t.smtpUrl)
        << (!t.smtpUrl.empty() && t.smtpInsecure ? " (password allowed without TLS)" : "") << "\n"
        << "from:                  " << session.Host().Context().DefaultFrom()
        << (from.empty() ? " (default)" : "") << "\n"
        << "host version:          " << session.App()->Version() << "\n"
        << "short date:            " << p.shortDate << "\n"
        << "long time:             " << p.longTime << "\n"
        << "time separator:        " << p.timeSeparator << "\n"
        << "date separator:        " << p.dateSeparator << "\n"
        << "AM / PM:               " << p.am << " / " << p.pm << "\n"
        << "first day of week:     "
        << kWindowsDays[static_cast<std::size_t>(p.firstDayOfWeek) % kWindowsDays.size()] << "\n"
        << "ignore list:           " << list.ToString() << "\n"
        << "ignore system+hidden:  " << (list.IgnoreSysHiden() ? "yes" : "no") << "\n"
        << "sent attachments kept: " << KeptText(posix::KeepSentAttachmentsDays(store)) << "\n"
        << "next due:              " << (next.empty() ? "none" : next) << "\n";
  }

  static std::string KeptText(int days) {
    return days == 0 ? "for ever" : std::to_string(days) + " day(s)";
  }

  bool show_ = false;
  CLI::Option *smtp_ = nullptr, *maildir_ = nullptr, *from_ = nullptr, *shortDate_ = nullptr,
              *longTime_ = nullptr, *timeSep_ = nullptr, *dateSep_ = nullptr, *am_ = nullptr,
              *pm_ = nullptr, *firstDow_ = nullptr, *ignore_ = nullptr, *sysHidden_ = nullptr,
              *version_ = nullptr, *insecure_ = nullptr, *ca_ = nullptr, *keep_ = nullptr;
  std::string smtpText_, maildirText_, fromText_, shortDateText_, longTimeText_, timeSepText_,
      dateSepText_, amText_, pmText_, firstDowText_, ignoreText_, sysHiddenText_, versionText_,
      insecureText_, caText_, keepText_;
  std::optional<bool> sysHiddenValue_, insecureValue_;
  std::optional<int> firstDowValue_, keepValue_;
};

[[maybe_unused]] const bool kRegistered = RegisterCommand(
    {"config",
     "Show or change the host's settings: delivery, sender, regional settings, ignore list",
     [] { return std::make_unique<ConfigCommand>(); }});

}  // namespace

}  // namespace velmora::cli
