// Ownership of GMime and GLib objects for the MIME code: one unique_ptr per
// kind of reference, GMime initialised once per process, and a type test that
// needs none of GLib's casting macros.
#pragma once

#include <gmime/gmime.h>

#include <memory>
#include <string>

namespace velmora::posix::gmime {

struct ObjectUnref {
  void operator()(void* p) const noexcept {
    if (p) g_object_unref(p);
  }
};
template <class T>
using Ptr = std::unique_ptr<T, ObjectUnref>;

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};
using CharPtr = std::unique_ptr<char, GFreeDeleter>;

struct DateTimeUnref {
  void operator()(GDateTime* p) const noexcept {
    if (p) g_date_time_unref(p);
  }
};
using DateTimePtr = std::unique_ptr<GDateTime, DateTimeUnref>;

struct TimeZoneUnref {
  void operator()(GTimeZone* p) const noexcept {
    if (p) g_time_zone_unref(p);
  }
};
using TimeZonePtr = std::unique_ptr<GTimeZone, TimeZoneUnref>;

struct FormatOptionsFree {
  void operator()(GMimeFormatOptions* p) const noexcept {
    if (p) g_mime_format_options_free(p);
  }
};
using FormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, FormatOptionsFree>;

// g_mime_init, once per process; every entry point of the MIME code calls it.
void EnsureInitialised();

// GObject "inheritance" is struct embedding: the base is the first member.
template <class To, class From>
To* As(From* p) noexcept {
  return reinterpret_cast<To*>(p);
}

inline bool IsA(void* object, GType type) noexcept {
  return object && g_type_check_instance_is_a(static_cast<GTypeInstance*>(object), type);
}

// A GMime-owned string as std::string (empty for null).
inline std::string Text(const char* s) {
  return s ? std::string(s) : std::string();
}
// A newly allocated GLib string, taken over and freed.
inline std::string Take(char* s) {
  CharPtr owned(s);
  return Text(owned.get());
}

// Everything written to a memory stream.
std::string StreamBytes(GMimeStream* stream);

}  // namespace velmora::posix::gmime
