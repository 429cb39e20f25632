#include "tools/trovella/index_jobs.h"

#include <cctype>
#include <utility>

#include "indexer/engine/job.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tools/oru/group.h"
#include "tools/oru/work.h"

namespace oru::trovella {

IndexJobs::IndexJobs(std::string work, std::string oru, Post post)
    : work_(std::move(work)),
      oru_(std::move(oru)),
      post_(std::move(post)),
      alive_(std::make_shared<bool>(true)) {}

IndexJobs::~IndexJobs() {
  if (thread_.joinable()) thread_.join();
  alive_.reset();
}

bool IndexJobs::AddFolder(const std::string& folder) {
  const std::string name = NameForFolder(work_, folder);
  return Start({{oru_, "index", folder, "--name", name}}, {name});
}

bool IndexJobs::Update(const std::vector<std::string>& names) {
  std::vector<std::vector<std::string>> runs;
  for (const std::string& name : names) {
    std::vector<std::string> argv{oru_, "index", "--update", "--name", name};
    for (const std::string& folder : tool::FoldersOf(work_, name)) argv.push_back(folder);
    runs.push_back(std::move(argv));
  }
  return Start(std::move(runs), names);
}

bool IndexJobs::Start(std::vector<std::vector<std::string>> runs, std::vector<std::string> names) {
  if (busy_ || runs.empty()) return false;
  if (thread_.joinable()) thread_.join();
  busy_ = true;
  std::weak_ptr<bool> alive = alive_;
  thread_ = std::thread([this, alive, runs = std::move(runs), names = std::move(names)] {
    std::string outcome;
    for (size_t i = 0; i < runs.size(); ++i) {
      platform::ProgramExit exit;
      const bool ran = platform::RunProgram(runs[i], &exit) == platform::Result::kOk;
      const bool written = ran && exit.exited && exit.status == 0;
      if (!outcome.empty()) outcome += "; ";
      outcome += written ? "index written: " + names[i]
                         : names[i] + " was not written" +
                               (ran ? "" : " (" + runs[i][0] + " cannot be started)");
    }
    post_([this, alive, outcome] {
      if (alive.expired()) return;
      busy_ = false;
      if (on_done) on_done(outcome);
    });
  });
  return true;
}

bool AskForStorage(const std::string& work, std::string* folder, std::string* problem) {
  PluginRegistry plugins;
  if (!plugins.Load(work, kDefaultStorageType)) {
    *problem = plugins.Failure().Message();
    return false;
  }
  if (plugins.Storage().add_new == nullptr) {
    *problem = "the storage plug-in cannot add folders";
    return false;
  }
  const char* chosen = plugins.Storage().add_new();
  *folder = chosen != nullptr ? chosen : "";
  return true;
}

std::string NameForFolder(const std::string& work, const std::string& folder) {
  std::string base = folder;
  while (base.size() > 1 && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  const size_t cut = base.find_last_of("/\\");
  if (cut != std::string::npos) base = base.substr(cut + 1);
  std::string name;
  for (char c : base) {
    const auto byte = static_cast<unsigned char>(c);
    name += std::isalnum(byte) != 0              ? static_cast<char>(std::tolower(byte))
            : (c == '.' || c == '_' || c == '-') ? c
                                                 : '-';
  }
  if (name.empty() || !IsValidIndexName(name)) name = "folder";
  std::vector<std::vector<std::string>> parts;
  const std::vector<std::string> taken = tool::ListIndexNames(work, &parts);
  const auto is_taken = [&](const std::string& candidate) {
    for (const std::string& other : taken) {
      if (other == candidate) return true;
    }
    return platform::FileExists(tool::JobFilePath(work, candidate));
  };
  std::string candidate = name;
  for (int n = 2; is_taken(candidate); ++n) candidate = name + "-" + std::to_string(n);
  return candidate;
}

}  // namespace oru::trovella
