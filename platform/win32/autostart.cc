#include "platform/autostart.h"

#include "platform/win32/win_api.h"

namespace oru::platform {

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// `argv` as a command line the C runtime parses back: each argument in double quotes, with
// backslashes before a quote doubled.
std::string CommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += ' ';
    line += '"';
    size_t backslashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

Status RegistryStatus(LSTATUS code, const char* operation) {
  SetLastError(static_cast<DWORD>(code));
  return LastErrorStatus(operation, std::string("HKEY_CURRENT_USER\\") + kRunKey);
}

}  // namespace

Status InstallAutostart(const Autostart& entry, AutostartPlace* place) {
  HKEY key = nullptr;
  LSTATUS opened = RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, &key, nullptr);
  if (opened != ERROR_SUCCESS) return RegistryStatus(opened, "open");
  const std::string line = CommandLine(entry.argv);
  const LSTATUS set = RegSetValueExA(key, entry.name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(line.c_str()),
                                     static_cast<DWORD>(line.size() + 1));
  RegCloseKey(key);
  if (set != ERROR_SUCCESS) return RegistryStatus(set, "write");
  place->where = std::string("HKEY_CURRENT_USER\\") + kRunKey + "\\" + entry.name;
  place->service = false;
  return Status();
}

Status RemoveAutostart(const std::string& name, AutostartPlace* place) {
  place->where.clear();
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return Status();
  }
  const LSTATUS removed = RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
  if (removed == ERROR_FILE_NOT_FOUND) return Status();
  if (removed != ERROR_SUCCESS) return RegistryStatus(removed, "remove a value of");
  place->where = std::string("HKEY_CURRENT_USER\\") + kRunKey + "\\" + name;
  return Status();
}

}  // namespace oru::platform
