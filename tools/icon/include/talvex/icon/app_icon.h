#pragma once
// The program's icon: a stylised optic disc, a pale disc with a bright cup on a dark red
// fundus, 48 x 48 pixels at 32 bits per pixel. Drawn here, without a toolkit, for the Qt
// shell's window icon and for the icon file the Windows program carries as a resource.

#include <cstdint>
#include <vector>

namespace talvex::icon {

inline constexpr int kIconSize = 48;

// The icon's pixels, rows top to bottom, each 0xAARRGGBB with straight (not premultiplied)
// alpha; the edges are smoothed by 4 x 4 samples per pixel.
std::vector<uint32_t> AppIconPixels();

// An icon file (.ico) holding the one 48 x 48 image of 32 bits per pixel: a DIB with its
// alpha channel, bottom-up, and an empty AND mask.
std::vector<uint8_t> AppIconFile();

}  // namespace talvex::icon
