#pragma once
// The checks an image set passes before it is packed, so that a run can show every picture
// and write every row: the program itself only finds a bad picture when it is drawn.

#include <string>
#include <vector>

#include "talvex/pack/image_pack.h"

namespace talvex::pack {

// Whether a visible entry of an image folder is an image file: true for a regular file (or a
// link to one), false for a folder, which is passed over. Raises EPackError, naming the
// entry, for anything else (a named pipe, a socket, a device, a link that leads nowhere):
// it would otherwise be left out of the set without a word.
bool IsImageFile(const std::string& entry);

// Raises EPackError, naming the file, for the first image that
// - has a name the program never shows (neither a trial image of either class by the rule the
//   program sorts names with, nor the blank or the About picture), or a name whose image name
//   in a results row would hold a control character (TAB, CR, LF and the others) or span more
//   than its two columns;
// - is not a JPEG picture that decodes whole: libjpeg refuses it (CMYK, 12-bit, lossless, a
//   damaged header) or decodes it only with warnings (a file cut short, damaged data, shown
//   with grey rows).
// Raises EPackError too when the blank or the About picture is missing. Names are checked as
// the pack stores them, in upper case.
void CheckImageSet(const std::vector<PackImage>& images);

}  // namespace talvex::pack
