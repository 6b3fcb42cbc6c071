#include "talvex/experiment/picture_ahead.h"

#include <utility>

#include "talvex/experiment/trial_schedule.h"

namespace talvex::experiment {

TPictureAhead::~TPictureAhead() {
  if (ready_.valid()) ready_.wait();
}

void TPictureAhead::Start(const ExperimentRecord& record, const IMainWindow& window) {
  if (ready_.valid()) return;
  std::shared_ptr<const IPicturePreparer> preparer = window.PicturePreparer();
  std::string name = PeekNextTrial(record);
  if (preparer == nullptr || name.empty() || record.ImageLoader == nullptr) return;
  // The worker holds its own references: the loader and the preparer live as long as it does.
  ready_ = std::async(
      std::launch::async, [loader = record.ImageLoader, name, preparer = std::move(preparer)] {
        Ready ready;
        const std::unique_ptr<imagestore::TJPEGImage> picture = loader->LoadImage(name);
        if (picture != nullptr) ready.picture = *picture;
        ready.prepared = preparer->Prepare(ready.picture);
        return ready;
      });
  name_ = std::move(name);
}

bool TPictureAhead::Take(const std::string& name, imagestore::TJPEGImage& picture,
                         std::shared_ptr<const IPreparedPixels>& prepared) {
  if (!ready_.valid() || name != name_) return false;
  name_.clear();
  Ready ready = ready_.get();
  picture = std::move(ready.picture);
  prepared = std::move(ready.prepared);
  return true;
}

}  // namespace talvex::experiment
