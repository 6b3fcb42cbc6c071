#include "picture_area.h"

#include <windowsx.h>

#include <utility>
#include <vector>

#include "talvex/experiment/picture_pixels.h"

namespace talvex::win32 {

namespace {

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

}  // namespace

TPictureArea::TPictureArea(HWND parent, DWORD style, const Place& place, int id)
    : TControl(parent, (RegisterWindowClass(kClassName), kClassName), style, 0, L"", place, id) {}

TDibPixels TPictureArea::Prepare(const imagestore::TJPEGImage& picture, int width, int height) {
  TDibPixels prepared;
  if (picture.Empty() || width <= 0 || height <= 0) return prepared;
  const imagestore::Bitmap decoded =
      picture.DecodeScaled(experiment::DecodeScaleFor(picture, width, height));
  // A 32-bit DIB's words are the core's 0x00RRGGBB words.
  const std::vector<uint32_t> source = experiment::RgbWords(decoded);
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

std::shared_ptr<const experiment::IPreparedPixels> TPicturePreparer::Prepare(
    const imagestore::TJPEGImage& picture) const {
  return std::make_shared<const TPreparedPixels>(TPictureArea::Prepare(picture, width_, height_));
}

std::shared_ptr<const TPicturePreparer> TPictureArea::Preparer() const {
  const Place place = Bounds();
  return std::make_shared<const TPicturePreparer>(place.width, place.height);
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture,
                              const experiment::IPreparedPixels* ahead) {
  const Place place = Bounds();
  slots_.Show(
      picture, experiment::PixelsOf<TDibPixels>(ahead),
      [&place](const TDibPixels& p) {
        return !p.Empty() && p.width == place.width && p.height == place.height;
      },
      [&place](const imagestore::TJPEGImage& p) { return Prepare(p, place.width, place.height); });
  Repaint();
}

void TPictureArea::PrepareAtNewSize() {
  const Place place = Bounds();
  const TDibPixels& shown = slots_.Shown();
  if (!HasPicture() || (shown.width == place.width && shown.height == place.height)) return;
  slots_.PrepareAgain(
      [&place](const imagestore::TJPEGImage& p) { return Prepare(p, place.width, place.height); });
}

void TPictureArea::Repaint() {
  if (!Exists()) return;
  // Painted now rather than once the handler has returned: the picture is on screen before the
  // trial's onset is marked, however long the rest of the handler takes.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  GdiFlush();
}

void TPictureArea::TouchPreviousPicture() const {
  const TDibPixels& previous = slots_.Previous();
  if (previous.Empty()) return;
  const size_t words = static_cast<size_t>(previous.width) * static_cast<size_t>(previous.height);
  unsigned sum = 0;
  for (size_t i = 0; i < words; i += 16) sum += previous.bits[i];  // one per cache line
  volatile unsigned keep = sum;
  static_cast<void>(keep);
}

void TPictureArea::Paint() {
  const PaintScope paint(Handle());
  RECT client{};
  GetClientRect(Handle(), &client);
  const TDibPixels& shown = slots_.Shown();
  if (shown.Empty()) {
    FillRect(paint.Dc(), &client, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  const MemoryDc source;
  const SelectedObject selected(source.Get(), shown.bitmap->Get());
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
    case WM_SIZE:
      PrepareAtNewSize();
      return CallOwnProcedure(message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      if (click_.Take(Handle(), message, lParam) && onClick) onClick();
      return 0;
    default:
      return CallOwnProcedure(message, wParam, lParam);
  }
}

}  // namespace talvex::win32
