// Adding a folder as a new index, and bringing indexes up to date, from the search window: each
// job is 'oru index' run as a program on a thread of its own (Tamsel shows its progress window),
// one job at a time, so the window never waits. The window is told on its own thread when a job
// ends.
#ifndef ORU_TOOLS_TROVELLA_INDEX_JOBS_H_
#define ORU_TOOLS_TROVELLA_INDEX_JOBS_H_

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace oru::trovella {

class IndexJobs {
 public:
  using Post = std::function<void(std::function<void()>)>;
  // `work`: the work folder (ending in the separator); `oru`: the oru program to run.
  IndexJobs(std::string work, std::string oru, Post post);
  ~IndexJobs();  // waits for a job under way to end
  IndexJobs(const IndexJobs&) = delete;
  IndexJobs& operator=(const IndexJobs&) = delete;

  // Indexes `folder` as a new index named after it. False while another job runs.
  bool AddFolder(const std::string& folder);
  // Updates the indexes or groups `names`, one after the other. False while another job runs.
  bool Update(const std::vector<std::string>& names);
  bool busy() const { return busy_; }

  // Called on the window's thread when a job ends, with one line saying how it went.
  std::function<void(const std::string& outcome)> on_done;

 private:
  bool Start(std::vector<std::vector<std::string>> runs, std::vector<std::string> names);

  std::string work_;
  std::string oru_;
  Post post_;
  std::atomic<bool> busy_{false};
  std::thread thread_;
  std::shared_ptr<bool> alive_;
};

// Asks the storage plug-in of the default storage type for a new folder to index (its own
// dialog: _AddNewStorage). True with the folder, or with an empty one when the user chose none;
// false with `problem` when the plug-in cannot be loaded.
bool AskForStorage(const std::string& work, std::string* folder, std::string* problem);

// A name for a new index of `folder`: the folder's last part, lower-cased, with what an index
// name cannot hold replaced by '-', and a number appended when the name is taken already.
std::string NameForFolder(const std::string& work, const std::string& folder);

}  // namespace oru::trovella

#endif  // ORU_TOOLS_TROVELLA_INDEX_JOBS_H_
