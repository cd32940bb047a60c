// windows.h first: its macros DeleteFile and ReplaceFile would otherwise rename our members.
#include <windows.h>
#undef DeleteFile
#undef ReplaceFile
#include <iphlpapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/win32/Win32Platform.h"

namespace quorvane {

namespace {

// The largest file read whole; the program's own files are a few kilobytes.
constexpr std::size_t kMaxReadBytes = 16 * 1024 * 1024;

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// A handle closed whatever way the function leaves.
struct FileHandle {
  HANDLE handle;
  explicit FileHandle(HANDLE handle) : handle(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (Valid()) ::CloseHandle(handle);
  }
  bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
  // Only files on a disk: a pipe or a device opened under a file's name is refused.
  bool IsDiskFile() const { return Valid() && ::GetFileType(handle) == FILE_TYPE_DISK; }
  bool Close() {
    const bool ok = ::CloseHandle(handle) != 0;
    handle = INVALID_HANDLE_VALUE;
    return ok;
  }
};

// The lock file's handle, opened without sharing: closing it lets go (and deletes the file).
struct Win32FolderClaim : FolderClaim {
  explicit Win32FolderClaim(HANDLE handle) : file(handle) {}
  FileHandle file;
};

bool WriteAll(HANDLE file, const std::string& content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

}  // namespace

std::optional<std::string> Win32Platform::LocalAppDataFolder() {
  char buffer[MAX_PATH + 1] = {};
  if (::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                         buffer) != S_OK ||
      buffer[0] == '\0')
    return std::nullopt;
  return WithoutTrailingSeparators(buffer);
}

std::string Win32Platform::TempFolder() {
  char buffer[MAX_PATH + 2] = {};
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  if (length == 0 || length >= sizeof buffer) return "";
  std::string folder(buffer, length);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

std::string Win32Platform::ProgramFolder() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return ".";
    if (length < buffer.size()) {
      const std::string path(buffer.data(), length);
      const std::size_t slash = path.find_last_of("\\/");
      return slash == std::string::npos ? "." : WithoutTrailingSeparators(path.substr(0, slash + 1));
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32Platform::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::FolderHasOrdinaryFiles(const std::string& folder) {
  std::string pattern = folder;
  if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/')) pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA entry{};
  const HANDLE search = ::FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  bool found = false;
  do {
    found = (entry.dwFileAttributes & kNotOrdinary) == 0;
  } while (!found && ::FindNextFileA(search, &entry));
  ::FindClose(search);
  return found;
}

bool Win32Platform::CreateFolder(const std::string& path) {
  // The folder inherits the access rules of its parent, the user's own profile.
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

std::optional<std::string> Win32Platform::ReadFile(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsDiskFile()) return std::nullopt;
  std::string content;
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.handle, buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) return content;
    content.append(buffer, got);
    // A file this large is none of ours (a padded or runaway file): it counts as unreadable, so
    // that it is never taken for settings, nor overwritten with defaults.
    if (content.size() > kMaxReadBytes) return std::nullopt;
  }
}

bool Win32Platform::ReplaceFile(const std::string& path, const std::string& content) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return false;
  // Rewriting identical content would cost a disk flush on every check for nothing.
  if (ReadFile(path) == content) return true;
  // Hidden while it is written, so that one left behind by a crash does not count as an ordinary file.
  const std::string temporary = folder + "~" + name + "." + std::to_string(::GetCurrentProcessId()) + ".tmp";
  FileHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!file.IsDiskFile()) return false;
  bool ok = WriteAll(file.handle, content) && ::FlushFileBuffers(file.handle);
  ok = file.Close() && ok;
  ok = ok && ::SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  ok = ok &&
       ::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) ::DeleteFileA(temporary.c_str());
  return ok;
}

bool Win32Platform::AppendToFile(const std::string& path, const std::string& content) {
  // Append-only access: every write lands at the end, also when another program appends too.
  FileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsDiskFile()) return false;
  const bool ok = WriteAll(file.handle, content);
  return file.Close() && ok;
}

// The user's Run key starts the program at sign-in: the value the installer writes too.
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Quorvane";

std::optional<bool> Win32Platform::StartsAtLogin() {
  return ::RegGetValueA(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

bool Win32Platform::SetStartAtLogin(bool on) {
  if (!on) {
    const LSTATUS status = ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, kRunValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  char program[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length == sizeof program) return false;
  const std::string quoted = "\"" + std::string(program, length) + "\"";  // a path with blanks stays one
  return ::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ, quoted.c_str(),
                           static_cast<DWORD>(quoted.size() + 1)) == ERROR_SUCCESS;
}

FolderClaimResult Win32Platform::ClaimFolder(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  path += ".quorvane.lock";
  // No sharing: a second copy's open fails with a sharing violation until this handle closes, which
  // the system does when the process ends, however it ends. Hidden, so it is no ordinary file.
  HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const bool inUse = ::GetLastError() == ERROR_SHARING_VIOLATION;
    return {inUse ? ClaimOutcome::InUse : ClaimOutcome::Unavailable, nullptr};
  }
  return {ClaimOutcome::Claimed, std::make_unique<Win32FolderClaim>(handle)};
}

bool Win32Platform::DeleteFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != 0;
}

std::optional<std::vector<IPv4Address>> Win32Platform::IPv4AddressTable() {
  std::vector<unsigned char> buffer(sizeof(MIB_IPADDRTABLE) + 16 * sizeof(MIB_IPADDRROW));
  for (int attempt = 0;; ++attempt) {
    ULONG size = static_cast<ULONG>(buffer.size());
    const DWORD code = ::GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, TRUE);
    if (code == NO_ERROR) break;
    // The table may grow between the size query and the read: try again a few times.
    if (code != ERROR_INSUFFICIENT_BUFFER || attempt == 3) return std::nullopt;
    buffer.resize(size);
  }
  const auto* rows = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
  std::vector<IPv4Address> table;
  for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
    const DWORD address = rows->table[i].dwAddr;  // network order in memory
    IPv4Address bytes{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&address), bytes.size(), bytes.begin());
    table.push_back(bytes);
  }
  // The sort flag orders by the address as a little-endian number; we promise ascending a.b.c.d.
  std::sort(table.begin(), table.end());
  return table;
}

std::string Win32Platform::ComputerName() {
  ULONG size = 0;
  ::GetNetworkParams(nullptr, &size);
  if (size < sizeof(FIXED_INFO)) size = sizeof(FIXED_INFO);
  std::vector<unsigned char> buffer(size);
  if (::GetNetworkParams(reinterpret_cast<FIXED_INFO*>(buffer.data()), &size) != ERROR_SUCCESS) return "";
  const auto* info = reinterpret_cast<const FIXED_INFO*>(buffer.data());
  return std::string(info->HostName, ::strnlen(info->HostName, sizeof info->HostName));
}

LocalDateTime Win32Platform::Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return LocalDateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void Win32Platform::Sleep(int milliseconds) {
  // Short slices, so that a stop request ends the pause within a tenth of a second.
  constexpr int kSliceMs = 100;
  while (milliseconds > 0 && !StopRequested()) {
    const int slice = std::min(milliseconds, kSliceMs);
    ::Sleep(static_cast<DWORD>(slice));
    milliseconds -= slice;
  }
}

}  // namespace quorvane
