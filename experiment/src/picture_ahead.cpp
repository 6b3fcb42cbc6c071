#include "talvex/experiment/picture_ahead.h"

#include <utility>

#include "talvex/experiment/trial_schedule.h"

namespace talvex::experiment {

TPictureAhead::~TPictureAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void TPictureAhead::Start(const ExperimentRecord& record, const IMainWindow& window) {
  std::shared_ptr<const IPicturePreparer> preparer = window.PicturePreparer();
  std::string name = PeekNextTrial(record);
  std::unique_lock<std::mutex> lock(mutex_);
  // A picture still being made for an earlier press (whose append failed) is waited out.
  changed_.wait(lock, [this] { return !busy_ && job_ == nullptr; });
  ready_ = false;
  picture_ = imagestore::TJPEGImage();
  prepared_.reset();
  failure_ = nullptr;
  name_.clear();
  if (preparer == nullptr || name.empty() || record.ImageLoader == nullptr) return;
  name_ = name;
  Post(std::make_unique<Job>(Job{record.ImageLoader, std::move(preparer), std::move(name), {}}),
       lock);
}

void TPictureAhead::PrepareBlank(const ExperimentRecord& record, const IMainWindow& window) {
  std::shared_ptr<const IPicturePreparer> preparer = window.PicturePreparer();
  if (preparer == nullptr || record.BlankPicture.Empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_ && job_ == nullptr; });
  Post(std::make_unique<Job>(Job{nullptr, std::move(preparer), {}, record.BlankPicture}), lock);
}

void TPictureAhead::Post(std::unique_ptr<Job> job, std::unique_lock<std::mutex>& lock) {
  job_ = std::move(job);
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  lock.unlock();
  changed_.notify_all();
}

std::shared_ptr<const IPreparedPixels> TPictureAhead::TakeBlank() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return std::move(blankPixels_);
}

void TPictureAhead::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
    if (job_ == nullptr) return;  // stopping, with nothing left to make
    const std::unique_ptr<Job> job = std::move(job_);
    busy_ = true;
    lock.unlock();
    if (job->name.empty()) {
      // The blank picture: without its pixels the window makes them as it shows it.
      std::shared_ptr<const IPreparedPixels> pixels;
      try {
        pixels = job->preparer->Prepare(job->blank);
      } catch (...) {
      }
      lock.lock();
      blankPixels_ = std::move(pixels);
      busy_ = false;
      changed_.notify_all();
      continue;
    }
    imagestore::TJPEGImage picture;
    std::shared_ptr<const IPreparedPixels> prepared;
    std::exception_ptr failure;
    try {
      const std::unique_ptr<imagestore::TJPEGImage> loaded = job->loader->LoadImage(job->name);
      if (loaded != nullptr) picture = *loaded;
      prepared = job->preparer->Prepare(picture);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    picture_ = std::move(picture);
    prepared_ = std::move(prepared);
    failure_ = failure;
    busy_ = false;
    ready_ = true;
    changed_.notify_all();
  }
}

bool TPictureAhead::Take(const std::string& name, imagestore::TJPEGImage& picture,
                         std::shared_ptr<const IPreparedPixels>& prepared) {
  if (name_.empty() || name != name_) return false;
  name_.clear();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return ready_; });
  ready_ = false;
  if (failure_ != nullptr) std::rethrow_exception(std::exchange(failure_, nullptr));
  picture = std::move(picture_);
  prepared = std::move(prepared_);
  return true;
}

}  // namespace talvex::experiment
