#include "platform/win32/adapters/filesystem_win32.h"

#include <windows.h>

#include <string>

#include "platform/win32/adapters/unicode.h"

namespace velmora::win32 {

namespace {

std::int64_t Ticks(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
}

FileEntry ToEntry(const WIN32_FIND_DATAW& d) {
  FileEntry e;
  e.name = Narrow(d.cFileName);
  e.directory = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  e.hidden = (d.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  e.system = (d.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
  e.lastWrite = Ticks(d.ftLastWriteTime);
  return e;
}

}  // namespace

bool Win32FileSystem::FileExists(std::string_view path) {
  if (path.empty()) return false;
  const std::optional<std::wstring> wide = WidenName(path);
  if (!wide) return false;
  UniqueHandle h(
      ::CreateFileW(wide->c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(h.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::vector<FileEntry>> Win32FileSystem::ListFolder(std::string_view folder) {
  const std::optional<std::wstring> pattern = WidenName(std::string(folder) + "\\*");
  if (!pattern) return std::nullopt;
  WIN32_FIND_DATAW data{};
  UniqueFind find(::FindFirstFileW(pattern->c_str(), &data));
  if (find.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<FileEntry> entries;
  do {
    entries.push_back(ToEntry(data));
  } while (::FindNextFileW(find.get(), &data));
  // Anything but the normal end would leave the newest file undecided.
  if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return entries;
}

}  // namespace velmora::win32
