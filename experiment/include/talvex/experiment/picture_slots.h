#pragma once
// What a picture area holds, whatever its toolkit: the picture it shows and the one it showed
// before, each with its pixels at the area's size, and the pixels a worker prepared ahead. The
// blank picture alternates with the trial images, so the picture replaced last is kept with
// its pixels: showing it again costs no decoding and no scaling.

#include <utility>

#include "talvex/experiment/main_window.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::experiment {

// Copies of one load share their compressed bytes: the same picture.
inline bool SamePicture(const imagestore::TJPEGImage& a, const imagestore::TJPEGImage& b) {
  return !a.Empty() && !b.Empty() && &a.CompressedBytes() == &b.CompressedBytes();
}

// A shell's pixels, prepared on a worker by the shell's own preparer.
template <class Pixels>
struct TPreparedPixels : IPreparedPixels {
  explicit TPreparedPixels(Pixels made) : pixels(std::move(made)) {}
  Pixels pixels;
};

// The shell's pixels in what a preparer made; null when another window's preparer made it.
template <class Pixels>
const Pixels* PixelsOf(const IPreparedPixels* prepared) {
  const auto* own = dynamic_cast<const TPreparedPixels<Pixels>*>(prepared);
  return own != nullptr ? &own->pixels : nullptr;
}

// Pixels: a cheap copy (its buffer shared), empty when default-made.
template <class Pixels>
class TPictureSlots {
 public:
  // Makes picture the one shown, with the first pixels fits accepts of: those prepared ahead,
  // the shown or the previous picture's when it is the same picture; else prepare(picture)'s.
  // Nothing changes when prepare raises.
  template <class Fits, class Prepare>
  void Show(const imagestore::TJPEGImage& picture, const Pixels* ahead, const Fits& fits,
            const Prepare& prepare) {
    Pixels pixels;
    if (ahead != nullptr && fits(*ahead)) {
      pixels = *ahead;
    } else if (SamePicture(picture, shown_.picture) && fits(shown_.pixels)) {
      pixels = shown_.pixels;
    } else if (SamePicture(picture, previous_.picture) && fits(previous_.pixels)) {
      pixels = previous_.pixels;
    } else {
      pixels = prepare(picture);
    }
    if (!SamePicture(picture, shown_.picture)) previous_ = std::move(shown_);
    shown_ = Slot{picture, std::move(pixels)};
  }

  // The shown picture's pixels made again for a new size. Runs where nothing may escape (a
  // resize or paint event); a failure leaves the area without pixels.
  template <class Prepare>
  void PrepareAgain(const Prepare& prepare) noexcept {
    try {
      shown_.pixels = prepare(shown_.picture);
    } catch (...) {
      shown_.pixels = Pixels();
    }
  }

  const imagestore::TJPEGImage& Picture() const { return shown_.picture; }
  const Pixels& Shown() const { return shown_.pixels; }
  const Pixels& Previous() const { return previous_.pixels; }

 private:
  struct Slot {
    imagestore::TJPEGImage picture;
    Pixels pixels;
  };
  Slot shown_;
  Slot previous_;
};

}  // namespace talvex::experiment
