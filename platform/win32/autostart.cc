#include "platform/autostart.h"

#include "platform/win32/command_line.h"
#include "platform/win32/win_api.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace oru::platform {

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

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

Status InstallMenuEntry(const MenuEntry& entry, std::string* where) {
  char programs[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, TRUE)) {
    return Status(Result::kNotFound, "find", "the Start menu's folder", "");
  }
  const std::string folder = std::string(programs) + "\\ORU Indexer";
  CreateDirectoryA(folder.c_str(), nullptr);
  *where = folder + "\\" + entry.title + ".lnk";
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkA* link = nullptr;
  HRESULT done = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
  if (SUCCEEDED(done)) {
    link->SetPath(entry.program.c_str());
    link->SetDescription(entry.description.c_str());
    IPersistFile* file = nullptr;
    done = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(done)) {
      wchar_t wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, where->c_str(), -1, wide, MAX_PATH);
      done = file->Save(wide, TRUE);
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  if (FAILED(done)) return Status(Result::kFailed, "write", *where, "the shortcut cannot be made");
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
