// Told about a mail that leaves without some of its attachment sources (a
// file gone, a folder empty or gone), so that the host can show it where the
// user finds the mail; the engine has logged it already. Optional: a host
// that installs none is told nothing.
#pragma once

#include <string>
#include <vector>

#include "addin/store/host.h"

namespace velmora {

class SendNoticePort {
 public:
  virtual ~SendNoticePort() = default;
  virtual void MissingSources(const host::MailItemPtr& mail,
                              const std::vector<std::string>& sources) = 0;
};

// The installed port, or nullptr.
SendNoticePort*& SendNotices() noexcept;

class ScopedSendNotices {
 public:
  explicit ScopedSendNotices(SendNoticePort* port) : saved_(SendNotices()) { SendNotices() = port; }
  ~ScopedSendNotices() { SendNotices() = saved_; }
  ScopedSendNotices(const ScopedSendNotices&) = delete;
  ScopedSendNotices& operator=(const ScopedSendNotices&) = delete;

 private:
  SendNoticePort* saved_;
};

// The sources of the record that give no file now (in source order): a file
// that does not exist, a folder without an eligible file.
class CMailProps;
std::vector<std::string> MissingAttachmentSources(const CMailProps& record);

}  // namespace velmora
