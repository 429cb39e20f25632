// Starting a program with the user's session: at login, and (where the session has a service
// manager) kept running by it.
//
// Linux: a systemd user unit "<name>.service" when systemd runs the user's session (its user
// manager listens in the runtime folder), enabled and started at once; else an XDG autostart
// entry "<name>.desktop", which the desktop starts at the next login. Windows: the value
// <name> of the current user's Run key.
#ifndef ORU_PLATFORM_AUTOSTART_H_
#define ORU_PLATFORM_AUTOSTART_H_

#include <string>
#include <vector>

#include "platform/status.h"

namespace oru::platform {

struct Autostart {
  std::string name;               // the entry's name: letters, digits, '-' and '.'
  std::string description;        // one line, shown by the session's tools
  std::vector<std::string> argv;  // the program (a full path) and its arguments
};

// Where an entry was made or removed: the file or key, and how it starts.
struct AutostartPlace {
  std::string where;  // the unit or entry file, or the registry value
  bool service = false;  // true: a systemd user unit, started now as well
};

// Makes the session start `entry` from the next login on (replacing an entry of its name).
Status InstallAutostart(const Autostart& entry, AutostartPlace* place);
// Removes the entry `name` (stopping the service); success also when there was none. `place`
// receives what was removed (empty `where` when nothing was).
Status RemoveAutostart(const std::string& name, AutostartPlace* place);

// An entry of the desktop's application menu, from which the user starts a program.
struct MenuEntry {
  std::string name;         // the entry's file name: letters, digits, '-' and '.'
  std::string title;        // shown in the menu
  std::string description;  // one line
  std::string program;      // the program's full path
  std::string icon;         // an icon file's full path (POSIX; Windows takes the program's)
};

// Makes (or replaces) the entry; `where` receives its file. Linux: an XDG desktop entry
// "<name>.desktop" in "$XDG_DATA_HOME/applications"; Windows: a shortcut "<title>.lnk" in the
// user's Start menu, folder "ORU Indexer".
Status InstallMenuEntry(const MenuEntry& entry, std::string* where);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_AUTOSTART_H_
