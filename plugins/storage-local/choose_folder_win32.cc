// The folder chooser on Windows: the shell's folder browser, without an owner window. COM is
// set up for the call when the calling thread has not done so.
#include <string>

#include "plugins/storage-local/choose_folder.h"
#include "platform/win32/win_api.h"

#include <objbase.h>
#include <shlobj.h>

namespace oru::storage {

std::string ChooseFolder() {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOA browse = {};
  char display_name[MAX_PATH] = {};
  browse.pszDisplayName = display_name;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  std::string path;
  if (LPITEMIDLIST item = ::SHBrowseForFolderA(&browse)) {
    char chosen[MAX_PATH] = {};
    if (::SHGetPathFromIDListA(item, chosen)) path = chosen;  // false: no file-system path
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&malloc))) {
      malloc->Free(item);
      malloc->Release();
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return path;
}

}  // namespace oru::storage
