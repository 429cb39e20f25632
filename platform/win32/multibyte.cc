// The multi-byte Asian code pages through MultiByteToWideChar.
#include <climits>
#include <string>

#include "platform/codepage.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

bool CanDecodeMultiByte(int code_page) {
  return IsMultiByteAsian(code_page) && IsValidCodePage(static_cast<UINT>(code_page)) != 0;
}

bool AppendMultiByte(int code_page, std::string_view bytes, std::u16string* out) {
  if (!CanDecodeMultiByte(code_page)) return false;
  if (bytes.empty()) return true;
  if (bytes.size() > INT_MAX / 2) bytes = bytes.substr(0, INT_MAX / 2);
  // Bytes the code page does not define become its default character or U+FFFD.
  const int size = static_cast<int>(bytes.size());
  const size_t start = out->size();
  out->resize(start + bytes.size());
  const int units = MultiByteToWideChar(static_cast<UINT>(code_page), 0, bytes.data(), size,
                                        reinterpret_cast<WCHAR*>(out->data() + start), size);
  out->resize(start + static_cast<size_t>(units > 0 ? units : 0));
  return true;
}

}  // namespace oru::platform
