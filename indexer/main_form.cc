#include "indexer/main_form.h"

#include <utility>

#include "indexer/engine/job.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"

namespace oru {

TfMain::TfMain(ui::Window* window, std::string job_file)
    : window_(window) {
  settings_.job_file = std::move(job_file);
  settings_.file_limit = PassFileLimit();
}

void TfMain::ShowStartupFailure(const std::string& text) {
  // On the terminal the closing line (failure_text()) says it once, with the system's reason.
  if (!window_->MessagesGoToStandardError()) window_->ShowMessage(text);
}

bool TfMain::EnsureFolder(const std::string& path) {
  if (platform::FolderExists(path)) return true;
  const platform::Status created = platform::CreateFolder(path);
  // Another run starting at the same moment may have made it in between.
  if (created.ok() || platform::FolderExists(path)) return true;
  failure_text_ = created.Message();
  ShowStartupFailure(std::string(kCantopen1) + " " + path + " " + kRefer1);
  return false;
}

bool TfMain::FormCreate() {
  const std::string base = WorkBaseFolder();
  if (base.empty()) {
    failure_text_ = "cannot name a work folder: neither an application-data folder nor the "
                    "program's folder is known";
    ShowStartupFailure(std::string(kPathinit1) + " " + kRefer1);
    return false;
  }
  const char sep = platform::kPathSeparator;
  std::string path = base + kVendorFolder + sep;
  if (!EnsureFolder(path)) return false;
  path += std::string(kProductFolder) + sep;
  if (!EnsureFolder(path)) return false;
  settings_.work_dir = path;
  path += std::string(kStoragesFolder) + sep;
  if (!EnsureFolder(path)) return false;
  settings_.storages_dir = path;
  if (const std::string problem = JobFileProblem(settings_.job_file); !problem.empty()) {
    failure_text_ = "cannot open job file " + settings_.job_file + ": " + problem;
    ShowStartupFailure(std::string(kFileindex1) + kRefer1);
    return false;
  }
  return true;
}

void TfMain::StartPass() {
  if (run_started_) return;  // the pass runs once per program
  run_started_ = true;
  PassView view;
  view.current_file = window_->CurrentFileLabel();
  view.files_indexed = window_->FilesIndexedLabel();
  view.words_found = window_->WordsFoundLabel();
  view.saving_bar = window_->SavingBar();
  view.pump = window_->Pump();
  engine_ = std::make_unique<TIndexer>(settings_, view);
  // A Stop confirmed before the pass began ends it at its first file.
  if (stop_requested_) engine_->RequestStop(save_partial_);
  run_result_ = engine_->Run();
  if (run_result_ != kRunOk) failure_text_ = engine_->Failure().Message();
  run_finished_ = true;
  window_->Close();
}

void TfMain::bStopClick() {
  if (stop_.ShowModal(window_, terminating_) != ui::kModalYes) return;
  stop_requested_ = true;
  save_partial_ = stop_.cbSave;
  if (engine_ != nullptr) engine_->RequestStop(save_partial_);
  terminating_ = true;
  window_->Terminate();
}

bool TfMain::FormClose() {
  if (run_finished_) return true;
  bStopClick();
  return false;
}

}  // namespace oru
