#include "platform/desktop.h"

#include "platform/win32/win_api.h"

#include <shellapi.h>

namespace oru::platform {

Status OpenWithDesktop(const std::string& path, const std::string& opener) {
  const HINSTANCE done =
      opener.empty()
          ? ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL)
          : ShellExecuteA(nullptr, "open", opener.c_str(), ("\"" + path + "\"").c_str(), nullptr,
                          SW_SHOWNORMAL);
  // A value above 32 is success.
  if (reinterpret_cast<INT_PTR>(done) <= 32) return LastErrorStatus("open", path);
  return Status();
}

}  // namespace oru::platform
