// TfMain: the progress window's form. It owns the engine, prepares the work folders when it is
// created, starts the pass as soon as the window is up, and routes Stop and the close box to the
// confirmation.
#ifndef ORU_INDEXER_MAIN_FORM_H_
#define ORU_INDEXER_MAIN_FORM_H_

#include <memory>
#include <string>

#include "indexer/engine/indexer.h"
#include "indexer/stop_form.h"
#include "indexer/ui/window.h"

namespace oru {

// The message texts, as the form keeps them.
inline constexpr char kCantopen1[] = "Sorry. Can't open work directory:";
inline constexpr char kRefer1[] = " Please refer to developer.";
inline constexpr char kPathinit1[] = "Path initializing error.";
inline constexpr char kFileindex1[] = "Sorry. Confuguration file does not exists.";
inline constexpr char kApplicationTitle[] = "ORU Indexer";

class TfMain {
 public:
  // `window` draws the form; `job_file` is the program's argument.
  TfMain(ui::Window* window, std::string job_file);

  // Prepares the work folders and checks the job file. False (after showing a message, or
  // silently for an unexpected failure) when the pass must not start; the caller then ends the
  // program without running the loop's pass.
  bool FormCreate();
  void FormShow() {}
  // Runs the pass, once; the window calls it as soon as it is up.
  void StartPass();
  void bStopClick();
  // Returns true when the window may close.
  bool FormClose();

  // The result of the pass, once it ran.
  int run_result() const { return run_result_; }
  // Why the start-up or the pass failed, in one line; empty when nothing failed.
  const std::string& failure_text() const { return failure_text_; }
  void set_failure_text(std::string text) { failure_text_ = std::move(text); }
  bool run_started() const { return run_started_; }

 private:
  bool EnsureFolder(const std::string& path);
  // A start-up message box (not on the terminal, where the closing line says it).
  void ShowStartupFailure(const std::string& text);

  ui::Window* window_;
  PassSettings settings_;
  std::unique_ptr<TIndexer> engine_;  // made when the pass starts
  bool stop_requested_ = false;
  bool save_partial_ = false;
  bool run_finished_ = false;
  TfStop stop_;
  bool terminating_ = false;
  bool run_started_ = false;
  int run_result_ = 0;
  std::string failure_text_;
};

}  // namespace oru

#endif  // ORU_INDEXER_MAIN_FORM_H_
