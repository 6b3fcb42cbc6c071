#pragma once
// The steps of loading a picture that follow the resource lookup, apart so that tests can
// feed them resource bytes of their own.

#include <memory>

#include "talvex/imagestore/byte_span.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::imagestore {

// Copies the enciphered resource, deciphers the copy in place and loads it as a picture of
// the given pixel format (the JPEG header is read here). Raises EStreamError or EJPEG.
std::unique_ptr<TJPEGImage> LoadDecipheredImage(ByteSpan resource,
                                                PixelFormat pixelFormat = PixelFormat::Bits24);

}  // namespace talvex::imagestore
