#pragma once
// TPictureArea: a picture drawn stretched over the area's whole rectangle (aspect ratio not
// kept). The picture is decoded and scaled when it is set, unless its pixels were prepared
// ahead on a worker thread (TPicturePreparer), and painted at once, so that a paint only copies
// pixels and the picture is on screen when SetPicture returns. It is decoded at the smallest
// reduced DCT scale that still covers the area, then stretched by the system's halftone
// stretch.

#include <cstdint>
#include <functional>
#include <memory>

#include "controls.h"
#include "handles.h"
#include "talvex/experiment/main_window.h"
#include "talvex/experiment/picture_slots.h"
#include "talvex/imagestore/jpeg_image.h"
#include "window.h"

namespace talvex::win32 {

// A picture's pixels at one size, in a DIB section the paints copy from. Copies share the
// section, which is deleted with the last of them.
struct TDibPixels {
  std::shared_ptr<const UniqueBitmap> bitmap;
  int width = 0;
  int height = 0;
  uint32_t* bits = nullptr;  // in bitmap's section; width * height words 0x00RRGGBB, top-down

  bool Empty() const { return !bitmap; }
};

using TPreparedPixels = experiment::TPreparedPixels<TDibPixels>;

// Prepares pictures for an area of a fixed size, on any thread: it works in a memory device
// context and a DIB section of its own.
class TPicturePreparer : public experiment::IPicturePreparer {
 public:
  TPicturePreparer(int width, int height) : width_(width), height_(height) {}
  std::shared_ptr<const experiment::IPreparedPixels> Prepare(
      const imagestore::TJPEGImage& picture) const override;

 private:
  int width_;
  int height_;
};

class TPictureArea : public TControl {
 public:
  // The window class the area is made of.
  static constexpr const wchar_t* kClassName = L"TalvexPictureArea";

  TPictureArea(HWND parent, DWORD style, const Place& place, int id);

  // Keeps its own copy of the picture, prepares its pixels at the area's size and paints them
  // (when the area is visible). An empty picture clears the area. Raises EJPEG when the picture
  // cannot be decoded; the area then keeps what it showed. Pixels prepared ahead by a preparer
  // of this area are taken as they are while the area keeps the size they were made for.
  void SetPicture(const imagestore::TJPEGImage& picture,
                  const experiment::IPreparedPixels* ahead = nullptr);
  // A preparer of pictures at the area's present size, for a worker thread.
  std::shared_ptr<const TPicturePreparer> Preparer() const;
  bool HasPicture() const { return !slots_.Picture().Empty(); }
  const TDibPixels& Prepared() const { return slots_.Shown(); }

  // Paints the area again as it is, now.
  void Repaint();
  // Reads through the pixels of the picture replaced last, the one most likely shown next (the
  // blank picture between trials), so that its paint does not wait for memory.
  void TouchPreviousPicture() const;

  // The decode-and-stretch step: the picture's pixels at the given size.
  static TDibPixels Prepare(const imagestore::TJPEGImage& picture, int width, int height);

  // Mouse button pressed and released over the area.
  std::function<void()> onClick;

 protected:
  LRESULT OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint();
  void PrepareAtNewSize();

  experiment::TPictureSlots<TDibPixels> slots_;
  TMouseClick click_;
};

}  // namespace talvex::win32
