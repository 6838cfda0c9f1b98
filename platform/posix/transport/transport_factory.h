// Which transport the standalone host sends through: SMTP when the host's
// settings name a server, else local delivery into a Maildir under the
// user's data folder.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/store/transport.h"

namespace velmora::posix {

class MailStore;

// The store setting that names the SMTP server ("smtp://host:port" or
// "smtps://host:port"); absent or empty means local Maildir delivery.
inline constexpr std::string_view kSettingSmtpUrl = "SmtpUrl";
// The store setting that moves local delivery away from DataHome()/"Maildir".
inline constexpr std::string_view kSettingMaildir = "Maildir";

// "1" when the user allowed credentials to go to a server without TLS.
inline constexpr std::string_view kSettingSmtpInsecure = "SmtpInsecure";

// A file of certificates (PEM) that the SMTP server's may be signed by.
inline constexpr std::string_view kSettingSmtpCa = "SmtpCaFile";

struct TransportSettings {
  std::string smtpUrl;            // empty: Maildir
  bool smtpInsecure = false;      // credentials may go in clear
  std::string smtpCaFile;         // empty: the system's certificates
  std::filesystem::path maildir;  // DataHome()/"Maildir" unless set
};

TransportSettings LoadTransportSettings(MailStore& store);
// Refuses (HostError 5, a one-line reason) a URL that is not smtp:// or smtps://.
void SaveSmtpUrl(MailStore& store, std::string_view url);
// An absolute folder for local delivery; empty goes back to the default.
// Refuses (HostError 5) a relative path.
void SaveMaildir(MailStore& store, std::string_view path);
void SaveSmtpInsecure(MailStore& store, bool insecure);
// Refuses (HostError 5) a path that is not an absolute, readable file; empty
// goes back to the system's certificates.
void SaveSmtpCa(MailStore& store, std::string_view path);
std::unique_ptr<Transport> MakeTransport(const TransportSettings& settings);

}  // namespace velmora::posix
