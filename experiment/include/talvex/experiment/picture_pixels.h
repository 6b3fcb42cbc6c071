#pragma once
// Pictures made into a picture area's pixels, the same way in every shell.

#include <cstdint>
#include <vector>

#include "talvex/imagestore/jpeg_image.h"

namespace talvex::experiment {

// Pictures are quantized for a screen of at most 8 bits per pixel.
imagestore::PixelFormat PictureFormatForScreen(int bitsPerPixel);

// The DCT scale 1/n (1, 2, 4 or 8) for an area of the given device pixels: the smallest decode
// still covering the area on each side, whose average down gives the picture of a full-size
// decode, sooner. Quantized output (8-bit screens, grey files) is dithered at the decoded size,
// so it keeps the full-size decode: 1.
int DecodeScaleFor(const imagestore::TJPEGImage& picture, int areaWidth, int areaHeight);

// What a decoded bitmap's bytes hold, checked against its size (a grey file's 24-bit decode has
// one byte per pixel). None: nothing may be read from it.
enum class BitmapLayout { None, Rgb, Gray, Indexed };
BitmapLayout LayoutOf(const imagestore::Bitmap& bitmap);

// The bitmap as 32-bit words 0x00RRGGBB, rows top to bottom; an index beyond the palette gives
// black. Empty for BitmapLayout::None.
std::vector<uint32_t> RgbWords(const imagestore::Bitmap& bitmap);

// An RGB bitmap scaled down to width x height, each target pixel the average of the source area
// it covers, as words 0xFFRRGGBB in rows strideWords apart: straight from the decoder's bytes,
// since this lies between the press of Next and the picture. False, writing nothing, for any
// other layout or a target larger than the bitmap.
bool AverageDown(const imagestore::Bitmap& bitmap, int width, int height, uint32_t* out,
                 size_t strideWords);

}  // namespace talvex::experiment
