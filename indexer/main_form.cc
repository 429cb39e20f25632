#include "indexer/main_form.h"

#include <cstdlib>
#include <utility>

#include "indexer/engine/work_folders.h"
#include "platform/files.h"

namespace oru {

TfMain::TfMain(ui::Window* window, std::string job_file)
    : window_(window), job_file_(std::move(job_file)), engine_(std::make_unique<TIndexer>()) {
  engine_->ConfigPath = job_file_;
  // Tests lower the file-number limit so that a tree just over it stays small.
  if (const char* limit = std::getenv("ORU_TEST_FILE_LIMIT")) {
    const long value = std::strtol(limit, nullptr, 10);
    if (value > 0 && value < kMaxFileNumber) engine_->FileLimit = static_cast<uint16_t>(value);
  }
}

bool TfMain::EnsureFolder(const std::string& path) {
  if (platform::FolderExists(path)) return true;
  const platform::Status created = platform::CreateFolder(path);
  // Another run starting at the same moment may have made it in between.
  if (created.ok() || platform::FolderExists(path)) return true;
  failure_text_ = created.Message();
  window_->ShowMessage(std::string(kCantopen1) + " " + path + " " + kRefer1);
  return false;
}

bool TfMain::FormCreate() {
  const std::string base = WorkBaseFolder();
  if (base.empty()) {
    failure_text_ = "cannot name a work folder: neither an application-data folder nor the "
                    "program's folder is known";
    window_->ShowMessage(std::string(kPathinit1) + " " + kRefer1);
    return false;
  }
  const char sep = platform::kPathSeparator;
  std::string path = base + kVendorFolder + sep;
  if (!EnsureFolder(path)) return false;
  path += std::string(kProductFolder) + sep;
  if (!EnsureFolder(path)) return false;
  engine_->WorkDir = path;
  path += std::string(kStoragesFolder) + sep;
  if (!EnsureFolder(path)) return false;
  engine_->StoragesDir = path;
  if (!platform::FileExists(job_file_)) {
    failure_text_ = "cannot open job file " + job_file_ + ": no such file";
    window_->ShowMessage(std::string(kFileindex1) + kRefer1);
    return false;
  }
  return true;
}

void TfMain::StartPass() {
  if (run_started_) return;  // the pass runs once per program
  run_started_ = true;
  engine_->CurrentFileLabel = window_->CurrentFileLabel();
  engine_->FilesIndexedLabel = window_->FilesIndexedLabel();
  engine_->WordsFoundLabel = window_->WordsFoundLabel();
  engine_->ProgressBar = window_->SavingBar();
  engine_->Pump = window_->Pump();
  run_result_ = engine_->Run();
  if (run_result_ != kRunOk) failure_text_ = engine_->Failure().Message();
  engine_->RunFinished = true;
  window_->Close();
}

void TfMain::bStopClick() {
  if (stop_.ShowModal(window_, terminating_) != ui::kModalYes) return;
  engine_->SavePartial = stop_.cbSave;
  engine_->StopRequested = true;
  terminating_ = true;
  window_->Terminate();
}

bool TfMain::FormClose() {
  if (engine_->RunFinished) return true;
  bStopClick();
  return false;
}

}  // namespace oru
