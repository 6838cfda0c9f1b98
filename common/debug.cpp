// The debug log: stamping and appending lines, the stopwatch, and the one log
// object of the process.
#include "common/debug.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <system_error>

#include "common/services.h"

namespace velmora {

namespace {

// The wall clock of the machine, for a log written before (or after) the
// ports are installed: a log line must never fail for a missing port.
std::string SystemStamp() {
  const std::time_t now = std::time(nullptr);
  // One thread per deliverable, so the shared buffer of localtime is safe here.
  const std::tm* tm = std::localtime(&now);
  if (!tm) return "0000-00-00 00:00:00";
  char buf[32];
  if (std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", tm) == 0) return "0000-00-00 00:00:00";
  return buf;
}

std::string Stamp() {
  try {
    const Services& s = GetServices();
    if (s.clock && s.locale) return DateText(s.clock->Now());
    if (s.clock) return ToIsoText(s.clock->Now());
  } catch (...) {
    // A failing port falls back to the machine's clock below.
  }
  return SystemStamp();
}

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::filesystem::path LogPath(const LogFlavour& flavour, const std::filesystem::path& folder) {
  std::filesystem::path dir = folder;
  if (dir.empty()) {
    // Pin the current folder now, so a later change of it does not move the log.
    std::error_code ec;
    dir = std::filesystem::current_path(ec);
  }
  return dir / flavour.fileName;
}

}  // namespace

CDebug::CDebug(LogFlavour flavour, std::filesystem::path folder) : flavour_(flavour) {
  path_ = LogPath(flavour_, folder);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path_, ec);
  if (!ec && size > kMaxSize) std::filesystem::remove(path_, ec);
}

CDebug::~CDebug() {
  try {
    if (timerCount_ != 0) Out("Warning - g_debug.m_TimerCount <> 0!");
  } catch (...) {
    // Nothing may leave a destructor; the log never reports its own failures.
  }
}

void CDebug::PushTab() {
  indent_ += 4;
  indentText_.assign(static_cast<std::size_t>(indent_), ' ');
}

void CDebug::PopTab() {
  indent_ = std::max(0, indent_ - 4);
  indentText_.assign(static_cast<std::size_t>(indent_), ' ');
}

void CDebug::OutCustomError(std::string_view where, std::string_view what) {
  Write(Concat("Error(custom) : ", where, "\t", what));
}

void CDebug::OutError(std::string_view where, const ErrorInfo& error) {
  Write(Concat("Error(", error.number, ") : ", where, "\t", error.description));
}

void CDebug::OutError(std::string_view where) {
  OutError(where, DescribeCurrentException());
}

void CDebug::OutWarning(std::string_view where, std::string_view what) {
  Write(Concat("Warning : ", where, "\t", what));
}

void CDebug::StartTimer() {
  if (timerCount_ >= kTimerSlots) {
    Out("Warning CDebug.StartTimer cant run");
    return;
  }
  timers_[timerCount_++] = SteadySeconds();
}

void CDebug::EndTimer(std::string_view name) {
  if (timerCount_ <= 0) {
    Out("Warning: CDebug::EndTimer cant run");
    return;
  }
  const double elapsed = SteadySeconds() - timers_[timerCount_ - 1];
  Out2("  ", name, " timing : ", elapsed);
  --timerCount_;
}

std::string CDebug::CallText(std::initializer_list<CallArg> call) {
  std::string text = "Call ";
  bool first = true;
  bool needComma = false;
  for (const CallArg& arg : call) {
    std::string part;
    if (const auto* s = std::get_if<std::string>(&arg)) {
      part = first ? *s : "'" + *s + "'";
    } else if (const auto* n = std::get_if<std::int64_t>(&arg)) {
      part = ToText(*n);
    } else {
      part = ToText(std::get<double>(arg));
    }
    if (first) {
      text += part + "(";
      first = false;
      continue;
    }
    if (needComma) text += ", ";
    text += part;
    needComma = true;
  }
  if (first) text += "(";
  return text + ")";
}

void CDebug::OutCall(std::initializer_list<CallArg> call) {
  try {
    Write(CallText(call));
  } catch (...) {
    // The log never reports its own failures.
  }
}

void CDebug::Assert(bool condition, std::string_view where, std::string_view what) {
  if (condition) return;
  const std::string place = Concat(where, ", assert failed");
  OutCustomError(place, what);
  Raise(err::kTypeMismatch, Concat(place, " - ", what));
}

void CDebug::Write(std::string_view message) {
  try {
    std::string line = Stamp();
    line += ' ';
    line += indentText_;
    line += message;
    Append(line);
  } catch (...) {
    // The log never reports its own failures.
  }
}

void CDebug::Append(const std::string& line) {
  if ((target_ & 2) == 0) return;
  // Opened and closed per line, so every line is on disk if the process dies.
  std::ofstream file(path_, std::ios::binary | std::ios::app);
  if (!file) return;
  file << line << "\r\n";
}

namespace {

struct LogSlot {
  LogFlavour flavour = kAddinLog;
  std::unique_ptr<CDebug> log;
};

LogSlot& Slot() noexcept {
  // The services are touched first so that they outlive the log at exit: the
  // log's destructor may still write a line.
  (void)GetServices();
  static LogSlot slot;
  return slot;
}

}  // namespace

void ConfigureDebugLog(LogFlavour flavour) noexcept {
  Slot().flavour = flavour;
}

CDebug& g_debug() {
  LogSlot& slot = Slot();
  if (!slot.log) slot.log = std::make_unique<CDebug>(slot.flavour, GetServices().logFolder);
  return *slot.log;
}

void ReleaseDebug() noexcept {
  Slot().log.reset();
}

bool DebugLogExists() noexcept {
  return Slot().log != nullptr;
}

void LogCurrentError(std::string_view where) noexcept {
  try {
    g_debug().OutError(where);
  } catch (...) {
    // Logging an error must never raise another one.
  }
}

}  // namespace velmora
