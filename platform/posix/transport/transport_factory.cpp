#include "platform/posix/transport/transport_factory.h"

#include <unistd.h>

#include <system_error>

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/paths.h"
#include "platform/posix/store/mail_store.h"
#include "platform/posix/transport/maildir_transport.h"
#include "platform/posix/transport/smtp_transport.h"

namespace velmora::posix {

namespace {

[[noreturn]] void Refuse(std::string_view url, std::string_view why) {
  Raise(err::kInvalidCall, "'" + std::string(url) + "' " + std::string(why));
}

void CheckSmtpUrl(std::string_view url) {
  std::string_view rest;
  if (StartsWithNoCase(url, "smtp://"))
    rest = url.substr(7);
  else if (StartsWithNoCase(url, "smtps://"))
    rest = url.substr(8);
  else
    Refuse(url, "is not an SMTP server address: write smtp://host[:port] or smtps://host[:port]");
  for (unsigned char c : url)
    if (c <= ' ' || c == 0x7f) Refuse(url, "contains spaces or control characters");
  const std::string_view authority = rest.substr(0, rest.find('/'));
  // A password in the URL would sit in the store in clear text.
  if (authority.find('@') != std::string_view::npos)
    Refuse(url,
           "carries credentials: put them in ~/.netrc (machine HOST login USER password PASS)");
  // "[::1]:2525": the port follows the bracketed address.
  const auto bracket = authority.rfind(']');
  const auto colon = authority.find(':', bracket == std::string_view::npos ? 0 : bracket);
  const std::string_view host = authority.substr(0, colon);
  if (host.empty() || host == "[]") Refuse(url, "names no server");
  if (colon != std::string_view::npos) {
    std::int32_t port = 0;
    if (!ParseInt32(authority.substr(colon + 1), port) || port < 1 || port > 65535)
      Refuse(url, "has a port that is not a number from 1 to 65535");
  }
}

}  // namespace

TransportSettings LoadTransportSettings(MailStore& store) {
  TransportSettings s;
  s.smtpUrl = std::string(Trim(store.Setting(std::string(kSettingSmtpUrl)).value_or("")));
  const std::string maildir =
      std::string(Trim(store.Setting(std::string(kSettingMaildir)).value_or("")));
  s.maildir = maildir.empty() ? DataHome() / "Maildir" : std::filesystem::path(maildir);
  s.smtpInsecure = store.Setting(std::string(kSettingSmtpInsecure)).value_or("") == "1";
  s.smtpCaFile = store.Setting(std::string(kSettingSmtpCa)).value_or("");
  return s;
}

void SaveSmtpCa(MailStore& store, std::string_view path) {
  path = Trim(path);
  if (!path.empty()) {
    if (path.front() != '/') Refuse(path, "is not an absolute file path (it must begin with /)");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec) ||
        ::access(std::string(path).c_str(), R_OK) != 0)
      Refuse(path, "is not a readable file of certificates");
  }
  store.SetSetting(std::string(kSettingSmtpCa), std::string(path));
}

void SaveSmtpInsecure(MailStore& store, bool insecure) {
  store.SetSetting(std::string(kSettingSmtpInsecure), insecure ? "1" : "0");
}

void SaveSmtpUrl(MailStore& store, std::string_view url) {
  url = Trim(url);
  if (!url.empty()) CheckSmtpUrl(url);
  store.SetSetting(std::string(kSettingSmtpUrl), std::string(url));
}

void SaveMaildir(MailStore& store, std::string_view path) {
  path = Trim(path);
  if (!path.empty() && path.front() != '/')
    Refuse(path, "is not an absolute folder path (it must begin with /)");
  store.SetSetting(std::string(kSettingMaildir), std::string(path));
}

std::unique_ptr<Transport> MakeTransport(const TransportSettings& settings) {
  if (!settings.smtpUrl.empty())
    return std::make_unique<SmtpTransport>(settings.smtpUrl,
                                           SmtpOptions{settings.smtpInsecure, settings.smtpCaFile});
  return std::make_unique<MaildirTransport>(settings.maildir);
}

}  // namespace velmora::posix
