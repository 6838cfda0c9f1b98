// Reads back what the process's debug log received while it lives. With
// traces it switches the log to the flavour that writes trace lines too, so a
// test can see what an operation passed to Out.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "common/debug.h"

namespace velmora::test {

class CapturedLog {
 public:
  explicit CapturedLog(bool withTraces = false) {
    ReleaseDebug();
    ConfigureDebugLog(withTraces ? kTrayLog : kAddinLog);
    path_ = g_debug().FilePath();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  ~CapturedLog() {
    ReleaseDebug();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    ConfigureDebugLog(kAddinLog);
  }
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  std::string Text() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Contains(std::string_view what) const { return Text().find(what) != std::string::npos; }
  // Lines written (each ends in CR LF).
  std::size_t LineCount() const {
    const std::string t = Text();
    std::size_t n = 0;
    for (std::size_t p = t.find("\r\n"); p != std::string::npos; p = t.find("\r\n", p + 2))
      ++n;
    return n;
  }
  int Count(std::string_view what) const {
    const std::string text = Text();
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
      ++n;
    return n;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace velmora::test
