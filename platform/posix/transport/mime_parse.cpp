#include <string>

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/transport/gmime_ptr.h"
#include "platform/posix/transport/mime.h"

namespace velmora::posix {

namespace {

using gmime::As;
using gmime::IsA;
using gmime::Ptr;

std::string Addresses(GMimeMessage* m, GMimeAddressType type) {
  InternetAddressList* list = g_mime_message_get_addresses(m, type);
  if (!list || internet_address_list_length(list) == 0) return {};
  return gmime::Take(internet_address_list_to_string(list, nullptr, FALSE));
}

std::string DecodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  Ptr<GMimeStream> out(g_mime_stream_mem_new());
  if (g_mime_data_wrapper_write_to_stream(content, out.get()) < 0)
    Raise(err::kFileIo, "An attachment of the mail could not be decoded.");
  return gmime::StreamBytes(out.get());
}

int ImportanceOf(GMimeMessage* m) {
  GMimeObject* o = As<GMimeObject>(m);
  const std::string importance =
      ToLowerAscii(Trim(gmime::Text(g_mime_object_get_header(o, "Importance"))));
  if (importance == "high") return 2;
  if (importance == "low") return 0;
  const std::string priority =
      std::string(Trim(gmime::Text(g_mime_object_get_header(o, "X-Priority"))));
  if (!priority.empty()) {
    if (priority[0] == '1' || priority[0] == '2') return 2;
    if (priority[0] == '4' || priority[0] == '5') return 0;
  }
  return 1;
}

class PartWalker {
 public:
  explicit PartWalker(ParsedMail& out) : out_(out) {}

  void Walk(GMimeObject* object) {
    if (!object) return;
    if (IsA(object, GMIME_TYPE_MULTIPART)) {
      GMimeMultipart* multipart = As<GMimeMultipart>(object);
      const int n = g_mime_multipart_get_count(multipart);
      for (int i = 0; i < n; ++i)
        Walk(g_mime_multipart_get_part(multipart, i));
    } else if (IsA(object, GMIME_TYPE_MESSAGE_PART)) {
      // A forwarded mail travels on as an attachment of its own.
      GMimeMessage* inner = g_mime_message_part_get_message(As<GMimeMessagePart>(object));
      if (!inner) return;
      Ptr<GMimeStream> out(g_mime_stream_mem_new());
      g_mime_object_write_to_stream(As<GMimeObject>(inner), nullptr, out.get());
      std::string name = gmime::Text(g_mime_message_get_subject(inner));
      out_.attachments.push_back({(name.empty() ? std::string("forwarded") : name) + ".eml",
                                  gmime::StreamBytes(out.get())});
    } else if (IsA(object, GMIME_TYPE_PART)) {
      Part(As<GMimePart>(object));
    }
  }

  // A mail with only an HTML body keeps it as its text rather than losing it.
  void Finish() {
    if (!haveBody_ && !htmlOnly_.empty()) out_.body = htmlOnly_;
  }

 private:
  void Part(GMimePart* part) {
    const std::string fileName = gmime::Text(g_mime_part_get_filename(part));
    const bool isText = IsA(part, GMIME_TYPE_TEXT_PART);
    GMimeContentType* type = g_mime_object_get_content_type(As<GMimeObject>(part));
    const bool plain = isText && type && g_mime_content_type_is_type(type, "text", "plain");
    if (plain && !haveBody_ && !g_mime_part_is_attachment(part) && fileName.empty()) {
      out_.body = gmime::Take(g_mime_text_part_get_text(As<GMimeTextPart>(part)));
      haveBody_ = true;
      return;
    }
    if (isText && !g_mime_part_is_attachment(part) && fileName.empty()) {
      // The HTML alternative of the text body: the plain text already says it.
      if (type && g_mime_content_type_is_type(type, "text", "html") && haveBody_) return;
      if (!haveBody_ && type && g_mime_content_type_is_type(type, "text", "html")) {
        htmlOnly_ = gmime::Take(g_mime_text_part_get_text(As<GMimeTextPart>(part)));
        return;
      }
    }
    std::string name = fileName;
    if (name.empty()) name = "attachment-" + std::to_string(out_.attachments.size() + 1);
    out_.attachments.push_back({name, DecodedContent(part)});
  }

  ParsedMail& out_;
  bool haveBody_ = false;
  std::string htmlOnly_;
};

}  // namespace

ParsedMail ParseMime(std::string_view bytes) {
  gmime::EnsureInitialised();
  Ptr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  Ptr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  Ptr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) Raise(err::kInvalidCall, "The text is not a mail (no MIME headers).");
  GMimeMessage* m = message.get();
  ParsedMail out;
  out.from = Addresses(m, GMIME_ADDRESS_TYPE_FROM);
  out.to = Addresses(m, GMIME_ADDRESS_TYPE_TO);
  out.cc = Addresses(m, GMIME_ADDRESS_TYPE_CC);
  out.bcc = Addresses(m, GMIME_ADDRESS_TYPE_BCC);
  out.subject = gmime::Text(g_mime_message_get_subject(m));
  out.importance = ImportanceOf(m);
  PartWalker walker(out);
  walker.Walk(g_mime_message_get_mime_part(m));
  walker.Finish();
  return out;
}

}  // namespace velmora::posix
