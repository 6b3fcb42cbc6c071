#pragma once
// Pictures made into pixels for a picture area, the same way in every shell: the pixel format
// a screen calls for, the reduced DCT scale a picture is decoded at, and what a decoded bitmap
// holds before a shell copies it into its toolkit's image.

#include <cstdint>
#include <vector>

#include "talvex/imagestore/jpeg_image.h"

namespace talvex::experiment {

// Pictures are quantized for a screen of at most 8 bits per pixel.
imagestore::PixelFormat PictureFormatForScreen(int bitsPerPixel);

// The DCT scale 1/n (1, 2, 4 or 8) at which a picture is decoded for an area of the given
// device pixels: the smallest reduced decode that still has at least as many pixels as the
// area on each side, so that a smooth stretch gives the picture of a full-size decode, sooner.
// Quantized output (8-bit screens, grey files) is dithered at the decoded size, so only the
// full-size decode gives the same picture then: 1.
int DecodeScaleFor(const imagestore::TJPEGImage& picture, int areaWidth, int areaHeight);

// What a decoded bitmap's bytes hold, checked against its size. A 24-bit decode of a grey file
// comes with one byte per pixel. None: empty, fewer bytes than the size needs, or an 8-bit
// bitmap without a palette; nothing may be read from it.
enum class BitmapLayout { None, Rgb, Gray, Indexed };
BitmapLayout LayoutOf(const imagestore::Bitmap& bitmap);

// The bitmap as 32-bit words 0x00RRGGBB, rows top to bottom; an index beyond the palette gives
// black. Empty for BitmapLayout::None.
std::vector<uint32_t> RgbWords(const imagestore::Bitmap& bitmap);

// An RGB bitmap (BitmapLayout::Rgb) scaled down to width x height, each target pixel the
// average of the source area it covers (partly covered pixels by their share), as words
// 0xFFRRGGBB in rows strideWords apart. In one pass from the decoder's bytes, without the
// conversion to 32-bit pixels first that a toolkit's smooth scaling needs: the scaling is on the
// way from the press of Next to the picture. False, writing nothing, for any other bitmap or a
// target larger than the bitmap on either side.
bool AverageDown(const imagestore::Bitmap& bitmap, int width, int height, uint32_t* out,
                 size_t strideWords);

}  // namespace talvex::experiment
