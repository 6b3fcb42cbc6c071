#include "picture_area.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "talvex/experiment/shell.h"

namespace talvex::win32 {

using imagestore::Bitmap;
using imagestore::PixelFormat;

namespace {

uint32_t Word(uint8_t red, uint8_t green, uint8_t blue) {
  return uint32_t{red} << 16 | uint32_t{green} << 8 | uint32_t{blue};
}

// The header of a top-down 32-bit DIB of the given size.
BITMAPINFO DibInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Copies of one load share their compressed bytes: the same picture.
bool SamePicture(const imagestore::TJPEGImage& a, const imagestore::TJPEGImage& b) {
  return !a.Empty() && !b.Empty() && &a.CompressedBytes() == &b.CompressedBytes();
}

}  // namespace

std::vector<uint32_t> ToDibPixels(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) return {};
  const size_t count = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  std::vector<uint32_t> words(count);
  const std::vector<uint8_t>& pixels = bitmap.pixels;
  if (bitmap.format == PixelFormat::Bits8) {
    if (bitmap.palette.empty() || pixels.size() < count) return {};
    for (size_t i = 0; i < count; ++i) {
      const size_t index = pixels[i];
      if (index < bitmap.palette.size()) {
        const auto& rgb = bitmap.palette[index];
        words[i] = Word(rgb[0], rgb[1], rgb[2]);
      }  // else black: never read outside the palette
    }
  } else if (pixels.size() == count) {  // a gray picture: one byte per pixel
    for (size_t i = 0; i < count; ++i) words[i] = Word(pixels[i], pixels[i], pixels[i]);
  } else if (pixels.size() >= count * 3) {
    for (size_t i = 0; i < count; ++i) {
      words[i] = Word(pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]);
    }
  } else {
    return {};  // fewer pixels than the size says: never read past them
  }
  return words;
}

TPictureArea::TPictureArea(HWND parent, DWORD style, const Place& place, int id)
    : TControl(parent, (RegisterWindowClass(kClassName), kClassName), style, 0, L"", place, id) {}

TPreparedPicture TPictureArea::Prepare(const imagestore::TJPEGImage& picture, int width,
                                       int height) {
  TPreparedPicture prepared;
  if (picture.Empty() || width <= 0 || height <= 0) return prepared;
  const Bitmap decoded = picture.DecodeScaled(experiment::DecodeScaleFor(picture, width, height));
  const std::vector<uint32_t> source = ToDibPixels(decoded);
  if (source.empty()) return prepared;

  const BITMAPINFO targetInfo = DibInfo(width, height);
  void* bits = nullptr;
  auto section = std::make_shared<UniqueBitmap>(
      CreateDIBSection(nullptr, &targetInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!*section || bits == nullptr) return prepared;
  prepared.bitmap = section;
  prepared.width = width;
  prepared.height = height;
  prepared.bits = static_cast<uint32_t*>(bits);

  const MemoryDc dc;
  const SelectedObject selected(dc.Get(), section->Get());
  // The halftone stretch averages the source pixels each target pixel covers; it needs the
  // brush origin set after the mode.
  SetStretchBltMode(dc.Get(), HALFTONE);
  SetBrushOrgEx(dc.Get(), 0, 0, nullptr);
  const BITMAPINFO sourceInfo = DibInfo(decoded.width, decoded.height);
  StretchDIBits(dc.Get(), 0, 0, width, height, 0, 0, decoded.width, decoded.height, source.data(),
                &sourceInfo, DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();  // the pixels are in the section before anything reads them
  return prepared;
}

std::shared_ptr<const experiment::IPreparedPicture> TPicturePreparer::Prepare(
    const imagestore::TJPEGImage& picture) const {
  return std::make_shared<const TPreparedPixels>(TPictureArea::Prepare(picture, width_, height_));
}

std::shared_ptr<const TPicturePreparer> TPictureArea::Preparer() const {
  const Place place = Bounds();
  return std::make_shared<const TPicturePreparer>(place.width, place.height);
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture) {
  SetPicture(picture, TPreparedPicture());
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture,
                              const TPreparedPicture& ahead) {
  const Place place = Bounds();
  // The blank picture alternates with the trial images: the picture replaced last is kept
  // prepared, so showing it again costs no decoding and no stretching.
  TPreparedPicture prepared;
  const auto fits = [&place](const TPreparedPicture& p) {
    return !p.Empty() && p.width == place.width && p.height == place.height;
  };
  const bool same = SamePicture(picture, picture_);
  if (same && fits(prepared_)) {
    prepared = std::move(prepared_);
  } else if (fits(ahead)) {
    prepared = ahead;
  } else if (SamePicture(picture, previousPicture_) && fits(previousPrepared_)) {
    prepared = std::move(previousPrepared_);
  } else {
    // Prepared first: a picture that cannot be decoded leaves the area as it was.
    prepared = Prepare(picture, place.width, place.height);
  }
  if (!same) {
    previousPicture_ = std::move(picture_);
    previousPrepared_ = std::move(prepared_);
  }
  picture_ = picture;
  prepared_ = std::move(prepared);
  Repaint();
}

void TPictureArea::Clear() {
  picture_ = imagestore::TJPEGImage();
  prepared_ = TPreparedPicture();
  previousPicture_ = imagestore::TJPEGImage();
  previousPrepared_ = TPreparedPicture();
  Repaint();
}

void TPictureArea::Repaint() {
  if (!Exists()) return;
  // Painted now rather than once the handler has returned: the picture is on screen before the
  // trial's onset is marked, however long the rest of the handler takes.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  GdiFlush();
}

void TPictureArea::TouchPreviousPicture() const {
  if (previousPrepared_.Empty()) return;
  const size_t words =
      static_cast<size_t>(previousPrepared_.width) * static_cast<size_t>(previousPrepared_.height);
  unsigned sum = 0;
  for (size_t i = 0; i < words; i += 16) sum += previousPrepared_.bits[i];  // one per cache line
  volatile unsigned keep = sum;
  static_cast<void>(keep);
}

void TPictureArea::Paint() {
  const PaintScope paint(Handle());
  RECT client{};
  GetClientRect(Handle(), &client);
  if (prepared_.Empty()) {
    FillRect(paint.Dc(), &client, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  const MemoryDc source;
  const SelectedObject selected(source.Get(), prepared_.bitmap->Get());
  const RECT& area = paint.Area();
  BitBlt(paint.Dc(), area.left, area.top, area.right - area.left, area.bottom - area.top,
         source.Get(), area.left, area.top, SRCCOPY);
}

LRESULT TPictureArea::OwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole area
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      if (click_.Take(Handle(), message, lParam) && onClick) onClick();
      return 0;
    default:
      return CallOwnProcedure(message, wParam, lParam);
  }
}

}  // namespace talvex::win32
