#pragma once
// The next trial's picture, loaded, deciphered, decoded and scaled on a worker thread while the
// press that will show it goes on (the results row written and flushed to disk). The worker
// only prepares pixels: it reads the image store and runs the window's picture preparer, and
// every window operation stays with the caller's thread.

#include <future>
#include <memory>
#include <string>

#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/main_window.h"

namespace talvex::experiment {

class TPictureAhead {
 public:
  TPictureAhead() = default;
  // Waits for the worker: nothing it does outlives the press.
  ~TPictureAhead();
  TPictureAhead(const TPictureAhead&) = delete;
  TPictureAhead& operator=(const TPictureAhead&) = delete;

  // Starts on the picture that the next class draw and pick will choose, found with a copy of
  // the random source (the run's own source is not touched). Does nothing when both pools are
  // empty or the window has no picture preparer.
  void Start(const ExperimentRecord& record, const IMainWindow& window);

  // The resource name being prepared; empty when none.
  const std::string& Name() const { return name_; }

  // When name is the picture being prepared: waits for it and gives the loaded picture and
  // its pixels, or raises what loading or decoding it raised. False, doing nothing, for any
  // other name. A picture is taken at most once.
  bool Take(const std::string& name, imagestore::TJPEGImage& picture,
            std::shared_ptr<const IPreparedPixels>& prepared);

 private:
  struct Ready {
    imagestore::TJPEGImage picture;
    std::shared_ptr<const IPreparedPixels> prepared;
  };

  std::string name_;
  std::future<Ready> ready_;
};

}  // namespace talvex::experiment
