#include "platform/posix/transport/smtp_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string_view>

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/store/store_error.h"
#include "platform/posix/transport/mime.h"

namespace velmora::posix {

namespace {

struct EasyCleanup {
  void operator()(CURL* c) const noexcept { curl_easy_cleanup(c); }
};
struct ListFree {
  void operator()(curl_slist* l) const noexcept { curl_slist_free_all(l); }
};

void EnsureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Upload {
  std::string_view rest;
  // Every byte handed over: curl ends the data, and the server may take the
  // mail even if its reply never arrives.
  bool ended = false;
};

size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto* up = static_cast<Upload*>(user);
  const size_t n = std::min(size * count, up->rest.size());
  std::memcpy(buffer, up->rest.data(), n);
  up->rest.remove_prefix(n);
  // curl may stop at the announced size without asking for more.
  if (up->rest.empty()) up->ended = true;
  return n;
}

// The server's replies, kept because curl's own message rarely says why: the
// last refusal (4xx, 5xx) wins over the polite lines that may follow it.
struct Replies {
  const Upload* upload = nullptr;
  std::string last;
  std::string refusal;
  bool refusedData = false;  // a refusal after the data ended: not taken
  std::string Why() const { return refusal.empty() ? last : refusal; }
};

int Trace(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  if (type != CURLINFO_HEADER_IN) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  if (line.empty()) return 0;
  auto* replies = static_cast<Replies*>(user);
  replies->last = line;
  if (line[0] == '4' || line[0] == '5') {
    replies->refusal = line;
    if (replies->upload && replies->upload->ended) replies->refusedData = true;
  }
  return 0;
}

template <class T>
void Set(CURL* c, CURLoption option, T value) {
  if (curl_easy_setopt(c, option, value) != CURLE_OK)
    Raise(store_err::kFailed, "The mail transport could not be set up (libcurl option " +
                                  std::to_string(static_cast<int>(option)) + ").");
}

// The server's name in the URL, without port or brackets.
std::string UrlHost(std::string_view url) {
  const auto scheme = url.find("://");
  std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  rest = rest.substr(0, rest.find('/'));
  if (const auto at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') return std::string(rest.substr(1, rest.find(']') - 1));
  return std::string(rest.substr(0, rest.find(':')));
}

bool IsLoopback(std::string_view host) {
  return EqualsNoCase(host, "localhost") || StartsWithNoCase(host, "127.") || host == "::1";
}

// Whether curl finds credentials for the host in ~/.netrc (a "machine" entry
// of that name, or a "default" one).
bool NetrcHasCredentials(std::string_view host) {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return false;
  std::ifstream in(std::filesystem::path(home) / ".netrc");
  std::string word, previous;
  while (in >> word) {
    if (word == "default") return true;
    if (previous == "machine" && EqualsNoCase(word, host)) return true;
    previous = word;
  }
  return false;
}

}  // namespace

bool MustRequireTls(std::string_view url, bool insecure) {
  if (insecure || StartsWithNoCase(url, "smtps://")) return false;
  const std::string host = UrlHost(url);
  return !IsLoopback(host) && NetrcHasCredentials(host);
}

void SmtpTransport::Deliver(const OutgoingMail& mail) {
  EnsureCurl();
  std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
  if (!easy) Raise(store_err::kFailed, "The mail transport could not be started (libcurl).");
  CURL* c = easy.get();

  std::unique_ptr<curl_slist, ListFree> rcpt;
  for (const std::string& address : mail.recipients) {
    curl_slist* next = curl_slist_append(rcpt.get(), ("<" + address + ">").c_str());
    if (!next) Raise(err::kOutOfMemory, "Out of memory");
    rcpt.release();
    rcpt.reset(next);
  }
  const std::string from = "<" + mail.from + ">";
  const std::string message = BuildMime(mail, LineEnding::kCrLf);
  Upload upload{message};
  Replies replies{&upload};
  char errorText[CURL_ERROR_SIZE] = {};

  Set(c, CURLOPT_URL, url_.c_str());
  Set(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  const bool requireTls = MustRequireTls(url_, options_.insecure);
  // With a password to send, a server without STARTTLS gets nothing.
  Set(c, CURLOPT_USE_SSL, static_cast<long>(requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
  Set(c, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
  Set(c, CURLOPT_MAIL_FROM, from.c_str());
  Set(c, CURLOPT_MAIL_RCPT, rcpt.get());
  Set(c, CURLOPT_UPLOAD, 1L);
  Set(c, CURLOPT_READFUNCTION, &ReadBody);
  Set(c, CURLOPT_READDATA, &upload);
  Set(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  if (!options_.caFile.empty()) Set(c, CURLOPT_CAINFO, options_.caFile.c_str());
  Set(c, CURLOPT_CONNECTTIMEOUT, options_.connectTimeoutSeconds);
  // Every reply (the one to the data above all) is waited for so long, and a
  // transfer slower than a byte a second for as long is given up.
  Set(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, options_.commandTimeoutSeconds);
  Set(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  Set(c, CURLOPT_LOW_SPEED_TIME, options_.commandTimeoutSeconds);
  // One thread, no alarm signals: timeouts must not interrupt the event loop.
  Set(c, CURLOPT_NOSIGNAL, 1L);
  Set(c, CURLOPT_ERRORBUFFER, errorText);
  Set(c, CURLOPT_DEBUGFUNCTION, &Trace);
  Set(c, CURLOPT_DEBUGDATA, &replies);
  Set(c, CURLOPT_VERBOSE, 1L);

  const CURLcode rc = curl_easy_perform(c);
  if (rc == CURLE_OK) return;
  if (rc == CURLE_USE_SSL_FAILED && requireTls)
    Raise(store_err::kFailed,
          "SMTP " + url_ +
              ": the server offers no TLS (STARTTLS), and the password from ~/.netrc is not sent "
              "in clear; use smtps://, a server with STARTTLS, or `velmora config "
              "--smtp-insecure yes` to allow it");
  std::string why = errorText[0] ? errorText : curl_easy_strerror(rc);
  // Only a refusal explains a failure: the greeting before a certificate
  // that did not verify says nothing about it.
  if (!replies.refusal.empty()) why += "; the server said: " + replies.refusal;
  if (rc == CURLE_PEER_FAILED_VERIFICATION)
    why += options_.caFile.empty()
               ? " (a private certificate authority can be named with `velmora config "
                 "--smtp-ca FILE`)"
               : " (with the certificates of " + options_.caFile + ")";
  // The whole mail went and no refusal came back: the server may have taken
  // it, so it must not be sent again without the user's word.
  if (upload.ended && !replies.refusedData)
    Raise(store_err::kHeldBack, "SMTP " + url_ + ": the server did not confirm the mail (" + why +
                                    "); it may have been delivered.");
  Raise(store_err::kFailed, "SMTP " + url_ + ": " + why);
}

}  // namespace velmora::posix
