#include "indexer/ui/make_window.h"

#ifdef _WIN32
#include "indexer/ui/win32/stop_dialog.h"
#include "indexer/ui/win32/win32_window.h"
#else
#include <cstdio>
#include <cstdlib>
#include <string>

#include "indexer/ui/gtk/gtk_module.h"
#include "indexer/ui/terminal/terminal_window.h"
#include "platform/dynlib.h"
#include "platform/folders.h"
#endif

namespace oru::ui {

#ifndef _WIN32
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// The GTK window from its module beside the program, or null: no display named, the module
// missing or unloadable, or no display to be opened. The module is loaded at most once and
// stays loaded for the life of the process: its window is destroyed through code in it, and
// GTK cannot be unloaded cleanly once initialised.
std::unique_ptr<Window> LoadGtkWindow() {
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return nullptr;
  // Only the file beside the program, never one found through the library search path.
  static const platform::LibraryHandle module = [] {
    const std::string folder = platform::ProgramFolder();
    return folder.empty() ? nullptr
                          : platform::LoadLibrary(folder + kGtkModuleName + platform::kLibrarySuffix);
  }();
  if (module == nullptr) return nullptr;
  const auto make = reinterpret_cast<MakeGtkWindowFunction>(
      platform::FindExport(module, kMakeGtkWindowExport));
  if (make == nullptr) return nullptr;
  return std::unique_ptr<Window>(make());
}

}  // namespace
#endif

std::unique_ptr<Window> MakeWindow() {
#ifdef _WIN32
  return Win32ProgressWindow::Create();
#else
  if (auto window = LoadGtkWindow()) return window;
  return std::make_unique<TerminalWindow>(stderr, stdin);
#endif
}

void ShowMessageWithoutWindow(std::string_view text) {
#ifdef _WIN32
  win32::ShowMessageBox(nullptr, text);
#else
  std::fprintf(stderr, "ORU Indexer: %.*s\n", static_cast<int>(text.size()), text.data());
#endif
}

}  // namespace oru::ui
