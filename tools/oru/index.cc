// oru index: writes a job file for folders, runs Tamsel on it as the search application's window
// would see it, and reports the outcome.
#include <cstdio>
#include <filesystem>
#include <string>

#include "indexer/engine/indexer.h"
#include "indexer/engine/job.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/process.h"
#include "platform/window_message.h"
#include "tools/oru/commands.h"
#include "tools/oru/index_reader.h"
#include "tools/oru/work.h"

namespace oru::tool {

namespace {

constexpr char kUsage[] =
    "usage: oru index FOLDER... [--name NAME] [--update]\n"
    "Indexes the files below each FOLDER with Tamsel (beside this program) into the index NAME\n"
    "(default \"default\"). Writes the job file <work folder>/NAME.job.ini, creates the work\n"
    "folder and a default ORU.ini first when missing, and waits for Tamsel's message as the\n"
    "search window would. Tamsel's progress shows on the terminal; Ctrl-C asks it to stop.\n"
    "  --name NAME  the index to write\n"
    "  --update     add new and changed files to the existing index instead of starting anew\n"
    "Exit status: 0 when the index was written, 1 when it was not, 2 on errors.\n";

constexpr char kTamselName[] = "Tamsel";

struct IndexOptions {
  std::string name = kDefaultIndexName;
  bool update = false;
  std::vector<std::string> folders;
};

// Reads the arguments; returns -1 to go on, or the exit status to end with.
int ParseArguments(const std::vector<std::string>& args, IndexOptions* options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      options->folders.push_back(arg);
    } else if (arg == "--update") {
      options->update = true;
    } else if (arg == "--name" && i + 1 < args.size()) {
      options->name = args[++i];
    } else if (arg.rfind("--name=", 0) == 0) {
      options->name = arg.substr(7);
    } else {
      return HelpOrUsageError(arg, kUsage, "index");
    }
  }
  if (options->folders.empty()) return Fail("no folder to index (see 'oru index --help')");
  return -1;
}

// The folder's absolute path without a trailing separator; empty when it is not a folder.
std::string AbsoluteFolder(const std::string& folder) {
  std::error_code failed;
  std::filesystem::path path = std::filesystem::absolute(folder, failed).lexically_normal();
  if (failed) return "";
  std::string text = path.string();
  while (text.size() > 1 && text.back() == platform::kPathSeparator) text.pop_back();
  return platform::FolderExists(text) ? text : "";
}

// Writes the job file, and reads it back to make sure every folder survives the profile format
// (values lose surrounding blanks and quotes).
bool WriteJob(const std::string& path, const IndexOptions& options, std::string* error) {
  std::string text = "[Header]\nName=" + options.name +
                     "\nUpdating=" + (options.update ? "1" : "0") + "\n[" + kDefaultStorageType +
                     "]\n";
  for (size_t i = 0; i < options.folders.size(); ++i) {
    text += "Dir" + std::to_string(i) + "=" + options.folders[i] + "\n";
  }
  platform::File file;
  if (platform::File::Open(path, platform::OpenMode::kCreate, &file) != platform::Result::kOk ||
      file.Write(text.data(), text.size()) != platform::Result::kOk ||
      file.Close() != platform::Result::kOk) {
    *error = "cannot write the job file " + path;
    return false;
  }
  const std::vector<std::string> read =
      ReadStorageFolders(platform::ProfileFile::Open(path), kDefaultStorageType);
  for (size_t i = 0; i < options.folders.size(); ++i) {
    if (i >= read.size() || read[i] != options.folders[i] + platform::kPathSeparator) {
      *error = "the folder '" + options.folders[i] + "' cannot be written to a job file";
      return false;
    }
  }
  return true;
}

// The outcome Tamsel announced: 1 written, 0 not written, -1 no message.
int64_t ReceiveOutcome(platform::MessageWindow* window) {
  platform::WindowMessage message;
  while (window->Receive(&message, 0)) {
    if (message.number == kIndexDoneMessage) return message.wparam == 1 ? 1 : 0;
  }
  return -1;
}

// Why Tamsel ended with `status` without writing the index.
std::string Failure(int status, const std::string& work, const std::string& job) {
  switch (status) {
    case kRunFailed:
      return "Tamsel failed (see its line above); the last complete index is kept";
    case kRunConfigFailed:
      return "Tamsel could not load its plug-ins (see " + work + kConfigFileName + ")";
    case kRunNoJobFile:
    case kRunBadJob:
      return "Tamsel refused the job file " + job;
    case 1:
      return "Tamsel did not start: another Tamsel is running";
  }
  return "Tamsel ended with status " + std::to_string(status);
}

}  // namespace

int IndexCommand(const std::vector<std::string>& args) {
  IndexOptions options;
  if (const int status = ParseArguments(args, &options); status >= 0) return status;
  if (!IsValidIndexName(options.name) ||
      options.name.find(platform::kPathSeparator) != std::string::npos) {
    return Fail("'" + options.name + "' cannot name an index");
  }
  for (std::string& folder : options.folders) {
    const std::string absolute = AbsoluteFolder(folder);
    if (absolute.empty()) return Fail("there is no folder " + folder);
    folder = absolute;
  }
  std::string work;
  bool config_written = false;
  std::string error;
  if (!PrepareWorkFolder(&work, &config_written, &error)) return Fail(error);
  if (config_written) std::printf("configuration: wrote %s%s\n", work.c_str(), kConfigFileName);
  const std::string job = JobFilePath(work, options.name);
  if (!WriteJob(job, options, &error)) return Fail(error);
  std::printf("job file:      %s\n", job.c_str());

  platform::MessageWindow window;
  const platform::Result registered =
      platform::MessageWindow::Create(kSearchWindowClass, kSearchWindowTitle, &window);
  if (registered == platform::Result::kExists) {
    std::fprintf(stderr,
                 "oru: another program is registered as the search window; Tamsel "
                 "will tell it, not this run, when it is done\n");
  } else if (registered != platform::Result::kOk) {
    std::fprintf(stderr,
                 "oru: cannot register as the search window (%s); going on without "
                 "Tamsel's message\n",
                 platform::ResultName(registered));
  }
  std::fflush(stdout);

  platform::ProgramExit exit;
  const std::string tamsel = platform::ProgramFolder() + kTamselName;
  const platform::Result ran = platform::RunProgram({tamsel, job}, &exit);
  if (ran == platform::Result::kNotFound) return Fail("there is no program " + tamsel);
  if (ran != platform::Result::kOk) return Fail("cannot start " + tamsel);
  if (!exit.exited) {
    return Fail("Tamsel was ended by signal " + std::to_string(exit.signal));
  }
  int64_t outcome = ReceiveOutcome(&window);
  if (exit.status != kRunOk) {
    std::fprintf(stderr, "oru: %s\n", Failure(exit.status, work, job).c_str());
    return kExitNothing;
  }
  if (outcome < 0) {
    // Without the message (another window has it), the status file tells the outcome.
    const IndexState state = ReadIndexState(work, options.name);
    outcome = state == IndexState::kComplete ? 1 : state == IndexState::kIncomplete ? 0 : -1;
  }
  if (outcome == 0) {
    std::printf("stopped without saving: the index '%s' is as it was before\n",
                options.name.c_str());
    return kExitNothing;
  }
  if (outcome < 0) {
    std::fprintf(stderr, "oru: Tamsel ended without telling the outcome\n");
    return kExitNothing;
  }
  const std::string folder = IndexFolder(work, options.name);
  IndexReader reader;
  if (reader.Open(folder, false, &error)) {
    std::printf("index written: %s (%zu files, %zu words)\n", folder.c_str(), reader.file_count(),
                reader.word_count());
  } else {
    std::printf("index written: %s\n", folder.c_str());
  }
  return kExitOk;
}

}  // namespace oru::tool
