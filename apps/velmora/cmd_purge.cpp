// velmora purge: drops the attachments of mails sent more than a number of
// days ago (the setting, 30 by default) and gives the space back to the
// disk. The mails stay in Sent Items, naming what they carried.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "apps/velmora/command.h"
#include "apps/velmora/option_values.h"
#include "apps/velmora/store_session.h"
#include "common/services.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/sent_retention.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::cli {

namespace {

std::string Megabytes(const std::filesystem::path& file) {
  std::error_code ec;
  std::uintmax_t bytes = std::filesystem::file_size(file, ec);
  if (ec) return "?";
  // The write-ahead log is part of the store until it is checkpointed.
  std::filesystem::path wal = file;
  wal += "-wal";
  const std::uintmax_t walBytes = std::filesystem::file_size(wal, ec);
  if (!ec) bytes += walBytes;
  const std::uintmax_t tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

class PurgeCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    olderThan_ = sub.add_option("--older-than", olderThanText_,
                                "Drop the attachments of mails sent more than DAYS days ago "
                                "(default: the setting, velmora config --keep-sent-attachments)")
                     ->type_name("DAYS");
  }

  void Validate() override {
    if (olderThan_->count()) days_ = ParseWhole("--older-than", olderThanText_, 0, 36500);
  }

  int Run(std::ostream& out) override {
    StoreSession session;
    auto& store = session.Host().Store();
    int days = days_ ? *days_ : posix::KeepSentAttachmentsDays(store);
    if (days == 0 && !days_) {
      out << "Sent mails keep their attachments (velmora config --keep-sent-attachments 0); "
             "give --older-than DAYS to drop them anyway\n";
      return 0;
    }
    const std::filesystem::path file = posix::MailHost::DefaultStorePath();
    const std::string before = Megabytes(file);
    const std::int64_t dropped = posix::DropSentAttachments(store, Now().AddDays(-days));
    // The freed pages go back to the disk only when the file is rewritten.
    store.Db().Exec("VACUUM");
    store.Db().Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    out << "dropped the bytes of " << dropped << " attachment(s) of mails sent more than " << days
        << " day(s) ago; the store " << file.string() << " went from " << before << " to "
        << Megabytes(file) << "\n";
    return 0;
  }

 private:
  CLI::Option* olderThan_ = nullptr;
  std::string olderThanText_;
  std::optional<int> days_;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"purge", "Drop the attachments of mails sent long ago and give the space back",
                     [] { return std::make_unique<PurgeCommand>(); }});

}  // namespace

}  // namespace velmora::cli
