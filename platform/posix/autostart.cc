#include "platform/autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/process.h"

namespace oru::platform {

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// "$XDG_CONFIG_HOME" or "$HOME/.config", without a trailing separator; empty when neither is set.
std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config";
  return "";
}

// Makes `folder` and those above it (mode 0700 for new ones).
void MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0700);
  }
  mkdir(folder.c_str(), 0700);
}

// The systemctl program, when systemd runs the user's session: its user manager's socket is
// in the runtime folder.
std::string UserSystemctl() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return "";
  if (!Exists(std::string(runtime) + "/systemd/private")) return "";
  for (const char* path : {"/usr/bin/systemctl", "/bin/systemctl"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return "";
}

// `argv` as one command line of a unit file or a desktop entry: each argument in double quotes,
// with '"', '\', '`' and '$' escaped, and `percent` for each '%' (both formats expand it).
std::string CommandLine(const std::vector<std::string>& argv, bool unit) {
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += ' ';
    line += '"';
    for (char c : arg) {
      if (c == '%') {
        line += "%%";
      } else if (c == '$') {
        line += unit ? "$$" : "\\$";
      } else if (c == '"' || c == '\\' || (c == '`' && !unit)) {
        line += '\\';
        line += c;
      } else {
        line += c;
      }
    }
    line += '"';
  }
  return line;
}

Status WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return Status(Result::kFailed, "write", path, std::strerror(errno));
  return Status();
}

// Runs systemctl --user with `args`; its failure is a Status naming the command.
Status Systemctl(const std::string& systemctl, const std::vector<std::string>& args) {
  std::vector<std::string> argv{systemctl, "--user"};
  argv.insert(argv.end(), args.begin(), args.end());
  ProgramExit exit;
  const Result run = RunProgram(argv, &exit);
  if (run != Result::kOk || !exit.exited || exit.status != 0) {
    std::string command = "systemctl --user";
    for (const std::string& arg : args) command += " " + arg;
    return Status(Result::kFailed, "run", command, "it failed");
  }
  return Status();
}

}  // namespace

Status InstallAutostart(const Autostart& entry, AutostartPlace* place) {
  const std::string config = ConfigHome();
  if (config.empty()) return Status(Result::kNotFound, "find", "the configuration folder", "");
  const std::string systemctl = UserSystemctl();
  if (!systemctl.empty()) {
    const std::string folder = config + "/systemd/user";
    MakeFolders(folder);
    place->where = folder + "/" + entry.name + ".service";
    place->service = true;
    const std::string unit = "[Unit]\nDescription=" + entry.description +
                             "\n\n[Service]\nExecStart=" + CommandLine(entry.argv, true) +
                             "\nNice=19\nIOSchedulingClass=idle\nRestart=on-failure\n\n"
                             "[Install]\nWantedBy=default.target\n";
    if (Status written = WriteText(place->where, unit); !written.ok()) return written;
    if (Status reloaded = Systemctl(systemctl, {"daemon-reload"}); !reloaded.ok()) return reloaded;
    return Systemctl(systemctl, {"enable", "--now", entry.name + ".service"});
  }
  const std::string folder = config + "/autostart";
  MakeFolders(folder);
  place->where = folder + "/" + entry.name + ".desktop";
  place->service = false;
  return WriteText(place->where, "[Desktop Entry]\nType=Application\nName=" + entry.description +
                                     "\nExec=" + CommandLine(entry.argv, false) +
                                     "\nTerminal=false\nNoDisplay=true\n"
                                     "X-GNOME-Autostart-enabled=true\n");
}

Status InstallMenuEntry(const MenuEntry& entry, std::string* where) {
  std::string data;
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (data_home != nullptr && data_home[0] == '/') {
    data = data_home;
  } else if (home != nullptr && home[0] == '/') {
    data = std::string(home) + "/.local/share";
  } else {
    return Status(Result::kNotFound, "find", "the data folder", "");
  }
  const std::string folder = data + "/applications";
  MakeFolders(folder);
  *where = folder + "/" + entry.name + ".desktop";
  return WriteText(*where, "[Desktop Entry]\nType=Application\nName=" + entry.title +
                               "\nComment=" + entry.description +
                               "\nExec=" + CommandLine({entry.program}, false) +
                               "\nIcon=" + entry.icon +
                               "\nTerminal=false\nCategories=Utility;FileTools;\n");
}

Status RemoveAutostart(const std::string& name, AutostartPlace* place) {
  place->where.clear();
  const std::string config = ConfigHome();
  if (config.empty()) return Status();
  const std::string unit = config + "/systemd/user/" + name + ".service";
  if (Exists(unit)) {
    place->where = unit;
    place->service = true;
    const std::string systemctl = UserSystemctl();
    if (!systemctl.empty()) {
      if (Status disabled = Systemctl(systemctl, {"disable", "--now", name + ".service"});
          !disabled.ok()) {
        return disabled;
      }
    }
    if (unlink(unit.c_str()) != 0) return LastErrorStatus("remove", unit);
    if (!systemctl.empty()) Systemctl(systemctl, {"daemon-reload"});
  }
  const std::string desktop = config + "/autostart/" + name + ".desktop";
  if (Exists(desktop)) {
    place->where = desktop;
    place->service = false;
    if (unlink(desktop.c_str()) != 0) return LastErrorStatus("remove", desktop);
  }
  return Status();
}

}  // namespace oru::platform
