#pragma once
// The next trial's picture, loaded, deciphered, decoded and scaled on a worker thread while the
// press that will show it goes on (the results row written and flushed to disk). The worker
// only prepares pixels: it reads the image store and runs the window's picture preparer, and
// every window operation stays with the caller's thread. The worker thread is made once and
// waits for the next press, so that a press does not pay for starting a thread.

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

  // Starts on the picture that the next class draw and pick will choose, found with a copy of
  // the random source (the run's own source is not touched); a picture prepared before and not
  // taken is dropped. Does nothing more when both pools are empty or the window has no
  // picture preparer.
  void Start(const ExperimentRecord& record, const IMainWindow& window);

  // The resource name being prepared; empty when none.
  const std::string& Name() const { return name_; }

  // When name is the picture being prepared: waits for it and gives the loaded picture and
  // its pixels, or raises what loading or decoding it raised. False, doing nothing, for any
  // other name. A picture is taken at most once.
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
