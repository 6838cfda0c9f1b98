#include <array>
#include <string>
#include <utility>

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/store/recipients.h"
#include "platform/posix/transport/gmime_ptr.h"
#include "platform/posix/transport/mime.h"

namespace velmora::posix {

namespace {

using gmime::As;
using gmime::Ptr;

struct TypeByExtension {
  const char* extension;
  const char* type;
};

constexpr std::array<TypeByExtension, 30> kTypes = {{
    {"txt", "text/plain"},
    {"log", "text/plain"},
    {"csv", "text/csv"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"xml", "application/xml"},
    {"json", "application/json"},
    {"pdf", "application/pdf"},
    {"rtf", "application/rtf"},
    {"zip", "application/zip"},
    {"gz", "application/gzip"},
    {"tar", "application/x-tar"},
    {"7z", "application/x-7z-compressed"},
    {"doc", "application/msword"},
    {"xls", "application/vnd.ms-excel"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"odt", "application/vnd.oasis.opendocument.text"},
    {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    {"png", "image/png"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"gif", "image/gif"},
    {"svg", "image/svg+xml"},
    {"webp", "image/webp"},
    {"mp3", "audio/mpeg"},
    {"mp4", "video/mp4"},
    {"ics", "text/calendar"},
}};

std::pair<std::string, std::string> SplitType(const std::string& type) {
  const auto slash = type.find('/');
  return {type.substr(0, slash), type.substr(slash + 1)};
}

void AddMailboxes(GMimeMessage* message, GMimeAddressType type, std::string_view list) {
  for (const Recipient& r : SplitRecipients(list))
    g_mime_message_add_mailbox(message, type, r.name.empty() ? nullptr : r.name.c_str(),
                               r.address.c_str());
}

gmime::DateTimePtr LocalDate(const OutgoingMail& mail) {
  if (mail.sentAt) {
    gmime::DateTimePtr date(g_date_time_new_from_unix_local(*mail.sentAt));
    if (date) return date;
  }
  const DateTime t = mail.date;
  gmime::TimeZonePtr zone(g_time_zone_new_local());
  gmime::DateTimePtr date(g_date_time_new(zone.get(), t.Year(), t.Month(), t.Day(), t.Hour(),
                                          t.Minute(), static_cast<gdouble>(t.Second())));
  if (!date) Raise(err::kInvalidCall, "The date of the mail is out of range: " + ToIsoText(t));
  return date;
}

std::string BareMessageId(std::string_view id) {
  id = Trim(id);
  if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
  return std::string(id);
}

Ptr<GMimeTextPart> TextBody(const std::string& body) {
  Ptr<GMimeTextPart> text(g_mime_text_part_new_with_subtype("plain"));
  GMimePart* part = As<GMimePart>(text.get());
  // The bytes as they are, labelled UTF-8: g_mime_text_part_set_text would
  // convert them to whatever narrower charset it thinks fits.
  Ptr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(body.data(), body.size()));
  Ptr<GMimeDataWrapper> content(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, content.get());
  g_mime_text_part_set_charset(text.get(), "utf-8");
  g_mime_part_set_content_encoding(
      part, g_mime_part_get_best_content_encoding(part, GMIME_ENCODING_CONSTRAINT_7BIT));
  return text;
}

Ptr<GMimePart> AttachmentPart(const OutgoingAttachment& a) {
  const std::string name = a.displayName.empty() ? a.fileName : a.displayName;
  auto [type, subtype] = SplitType(GuessContentType(name));
  // Text says which charset it is in; bytes that are not UTF-8 go as bytes.
  const bool text = type == "text";
  const bool utf8 = g_utf8_validate(a.bytes.data(), static_cast<gssize>(a.bytes.size()), nullptr);
  if (text && !utf8) {
    type = "application";
    subtype = "octet-stream";
  }
  Ptr<GMimePart> part(g_mime_part_new_with_type(type.c_str(), subtype.c_str()));
  Ptr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(a.bytes.data(), a.bytes.size()));
  Ptr<GMimeDataWrapper> content(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), content.get());
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  g_mime_part_set_filename(part.get(), name.empty() ? "attachment" : name.c_str());
  if (text && utf8)
    g_mime_object_set_content_type_parameter(As<GMimeObject>(part.get()), "charset", "utf-8");
  return part;
}

}  // namespace

std::string GuessContentType(std::string_view fileName) {
  const auto dot = fileName.rfind('.');
  const auto slash = fileName.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return "application/octet-stream";
  const std::string ext = ToLowerAscii(fileName.substr(dot + 1));
  for (const TypeByExtension& t : kTypes)
    if (ext == t.extension) return t.type;
  return "application/octet-stream";
}

std::string BuildMime(const OutgoingMail& mail, LineEnding ending) {
  gmime::EnsureInitialised();
  Ptr<GMimeMessage> message(g_mime_message_new(TRUE));
  GMimeMessage* m = message.get();
  AddMailboxes(m, GMIME_ADDRESS_TYPE_FROM, mail.from);
  AddMailboxes(m, GMIME_ADDRESS_TYPE_TO, mail.to);
  AddMailboxes(m, GMIME_ADDRESS_TYPE_CC, mail.cc);
  // Bcc stays in the envelope: a header would show every hidden recipient.
  g_mime_message_set_subject(m, mail.subject.c_str(), "utf-8");
  g_mime_message_set_date(m, LocalDate(mail).get());
  if (const std::string id = BareMessageId(mail.messageId); !id.empty())
    g_mime_message_set_message_id(m, id.c_str());
  GMimeObject* headers = As<GMimeObject>(m);
  if (mail.importance == 2) {
    g_mime_object_set_header(headers, "Importance", "high", nullptr);
    g_mime_object_set_header(headers, "X-Priority", "1 (Highest)", nullptr);
  } else if (mail.importance == 0) {
    g_mime_object_set_header(headers, "Importance", "low", nullptr);
    g_mime_object_set_header(headers, "X-Priority", "5 (Lowest)", nullptr);
  }

  Ptr<GMimeTextPart> text = TextBody(mail.body);
  if (mail.attachments.empty()) {
    g_mime_message_set_mime_part(m, As<GMimeObject>(text.get()));
  } else {
    Ptr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), As<GMimeObject>(text.get()));
    for (const OutgoingAttachment& a : mail.attachments)
      g_mime_multipart_add(mixed.get(), As<GMimeObject>(AttachmentPart(a).get()));
    g_mime_message_set_mime_part(m, As<GMimeObject>(mixed.get()));
  }

  gmime::FormatOptionsPtr options(g_mime_format_options_new());
  g_mime_format_options_set_newline_format(options.get(), ending == LineEnding::kCrLf
                                                              ? GMIME_NEWLINE_FORMAT_DOS
                                                              : GMIME_NEWLINE_FORMAT_UNIX);
  Ptr<GMimeStream> out(g_mime_stream_mem_new());
  if (g_mime_object_write_to_stream(headers, options.get(), out.get()) < 0)
    Raise(err::kFileIo, "The mail could not be written as MIME.");
  return gmime::StreamBytes(out.get());
}

}  // namespace velmora::posix
