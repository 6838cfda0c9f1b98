// The debug log (CDebug): one plain text file per deliverable, one line
// appended and the file closed per call, so a line survives a crash. The
// add-in's log takes errors and warnings only; the tray launcher's also its
// trace.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "common/host_error.h"
#include "common/text.h"

namespace velmora {

struct LogFlavour {
  const char* fileName;
  bool writesTraces;
};
inline constexpr LogFlavour kAddinLog{"Velmora.Log", false};
inline constexpr LogFlavour kTrayLog{"VelmoraTray.log", true};

class CDebug {
 public:
  static constexpr std::uintmax_t kMaxSize = 512000;
  static constexpr int kTimerSlots = 10;
  using CallArg = std::variant<std::int64_t, double, std::string>;

  // Deletes a log file larger than kMaxSize, so the log starts afresh.
  CDebug(LogFlavour flavour, std::filesystem::path folder);
  ~CDebug();
  CDebug(const CDebug&) = delete;
  CDebug& operator=(const CDebug&) = delete;

  void PushTab();
  void PopTab();
  int DebugTarget() const { return target_; }
  void SetDebugTarget(int v) { target_ = v; }
  int DebugLevel() const { return level_; }
  void SetDebugLevel(int v) { level_ = v; }
  int IndentCount() const { return indent_; }

  template <class... P>
  void Out(const P&... parts) {
    if (flavour_.writesTraces) Write(Concat(parts...));
  }
  template <class... P>
  void Out1(const P&... parts) {
    if (level_ == 1) Out(parts...);
  }
  template <class... P>
  void Out2(const P&... parts) {
    if (level_ == 2) Out(parts...);
  }

  void OutCustomError(std::string_view where, std::string_view what);
  void OutError(std::string_view where, const ErrorInfo& error);
  // Inside a catch block: the exception being handled; elsewhere error 0.
  void OutError(std::string_view where);
  void OutWarning(std::string_view where, std::string_view what);

  void StartTimer();
  void EndTimer(std::string_view name);

  void OutCall(std::initializer_list<CallArg> call);
  static std::string CallText(std::initializer_list<CallArg> call);

  // Logs and raises error 13 when the condition is false.
  void Assert(bool condition, std::string_view where, std::string_view what);
  // The built library never runs inside a development environment.
  bool VbDebug() const { return false; }

  const std::filesystem::path& FilePath() const { return path_; }

 private:
  void Write(std::string_view message);
  void Append(const std::string& line);

  LogFlavour flavour_;
  std::filesystem::path path_;
  int target_ = 2;
  int level_ = 2;
  int indent_ = 0;
  std::string indentText_;
  double timers_[kTimerSlots] = {};
  int timerCount_ = 0;
};

// The deliverable's one log object: created on first use in the folder of the
// installed services, with the flavour chosen at start-up.
void ConfigureDebugLog(LogFlavour flavour) noexcept;
CDebug& g_debug();
void ReleaseDebug() noexcept;
bool DebugLogExists() noexcept;

}  // namespace velmora
