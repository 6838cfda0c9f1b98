#include "platform/posix/transport/gmime_ptr.h"

#include <mutex>

namespace velmora::posix::gmime {

void EnsureInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

std::string StreamBytes(GMimeStream* stream) {
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(As<GMimeStreamMem>(stream));
  if (!bytes || bytes->len == 0) return {};
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

}  // namespace velmora::posix::gmime
