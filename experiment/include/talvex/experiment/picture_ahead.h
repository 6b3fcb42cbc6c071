#pragma once
// The next trial's picture, loaded, decoded and scaled on a worker thread while the press that
// will show it writes its row. The worker makes pixels only; every window operation stays with
// the caller. Its thread is made once and waits between presses, so that no press pays for
// starting one.

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/main_window.h"

namespace talvex::experiment {

class TPictureAhead {
 public:
  TPictureAhead() = default;
  // Waits for a picture still being prepared: nothing the worker does outlives this.
  ~TPictureAhead();
  TPictureAhead(const TPictureAhead&) = delete;
  TPictureAhead& operator=(const TPictureAhead&) = delete;

  // Starts on the picture the next draw will choose (PeekNextTrial); one prepared before and not
  // taken is dropped. Nothing more when the pools are empty or the window has no preparer.
  void Start(const ExperimentRecord& record, const IMainWindow& window);

  // The resource name being prepared; empty when none.
  const std::string& Name() const { return name_; }

  // For the picture being prepared: waits for it and gives it with its pixels, or raises what
  // loading or decoding it raised. False for any other name. Taken at most once.
  bool Take(const std::string& name, imagestore::TJPEGImage& picture,
            std::shared_ptr<const IPreparedPixels>& prepared);

  // Makes the blank picture's pixels on the worker, after the picture taken; TakeBlank gives
  // them once made (null before, or when the window has no preparer or they failed).
  void PrepareBlank(const ExperimentRecord& record, const IMainWindow& window);
  std::shared_ptr<const IPreparedPixels> TakeBlank();

 private:
  // A trial's picture, loaded by name, or the blank picture as it is.
  struct Job {
    std::shared_ptr<const imagestore::TResourceManager> loader;
    std::shared_ptr<const IPicturePreparer> preparer;
    std::string name;
    imagestore::TJPEGImage blank;
  };
  void Post(std::unique_ptr<Job> job, std::unique_lock<std::mutex>& lock);
  void Work();

  std::string name_;  // the caller's thread's own

  std::mutex mutex_;
  std::condition_variable changed_;
  std::unique_ptr<Job> job_;  // posted, not begun
  bool busy_ = false;         // a job is being prepared
  bool ready_ = false;        // its picture, pixels or failure wait to be taken
  imagestore::TJPEGImage picture_;
  std::shared_ptr<const IPreparedPixels> prepared_;
  std::exception_ptr failure_;
  std::shared_ptr<const IPreparedPixels> blankPixels_;
  bool stopping_ = false;
  std::thread worker_;  // made with the first job
};

}  // namespace talvex::experiment
