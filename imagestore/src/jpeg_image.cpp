#include "talvex/imagestore/jpeg_image.h"

#include <csetjmp>
#include <cstdint>
#include <utility>

#include "jpeg_error_manager.h"

namespace talvex::imagestore {

namespace {

// Guards every bitmap allocation against a header claiming absurd dimensions: 50 megapixels
// (150 MB at 24 bits) is far beyond any photograph of the disc.
constexpr uint64_t kMaxPixels = 50'000'000;

// Colours of the 8-bit output: the 256 of a palette less 20 the system keeps for itself.
constexpr int kQuantizedColours = 236;

// Owns one libjpeg decompression object; destroys it however the scope is left.
class Decompressor {
 public:
  Decompressor() {
    info_.err = detail::InstallJpegErrorManager(errors_);
    if (setjmp(errors_.jump)) throw EJPEG(errors_.code);
    jpeg_create_decompress(&info_);
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& Info() { return info_; }
  detail::JpegErrorManager& Errors() { return errors_; }

 private:
  jpeg_decompress_struct info_{};
  detail::JpegErrorManager errors_{};
};

void CheckPixelCount(uint64_t width, uint64_t height) {
  if (width * height > kMaxPixels) throw EJPEG(JERR_IMAGE_TOO_BIG);
}

struct HeaderFacts {
  int width = 0;
  int height = 0;
  bool grayscale = false;
  bool multipleScans = false;
};

void ReadHeader(Decompressor& decompressor, const std::vector<uint8_t>& bytes, HeaderFacts& facts) {
  jpeg_decompress_struct& info = decompressor.Info();
  if (setjmp(decompressor.Errors().jump)) throw EJPEG(decompressor.Errors().code);
  // An empty buffer is refused by the source itself (JERR_INPUT_EMPTY).
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  CheckPixelCount(info.image_width, info.image_height);
  facts.width = static_cast<int>(info.image_width);
  facts.height = static_cast<int>(info.image_height);
  facts.grayscale = info.jpeg_color_space == JCS_GRAYSCALE;
  facts.multipleScans = jpeg_has_multiple_scans(&info) != FALSE;
}

// Decodes into bitmap; returns the number of warnings libjpeg gave on the way.
int Decode(Decompressor& decompressor, const std::vector<uint8_t>& bytes, int scaleDenom,
           PixelFormat format, Bitmap& bitmap) {
  jpeg_decompress_struct& info = decompressor.Info();
  if (setjmp(decompressor.Errors().jump)) throw EJPEG(decompressor.Errors().code);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);

  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned int>(scaleDenom);
  info.do_block_smoothing = TRUE;
  // A grayscale file is always quantized: its bitmap is 8-bit with a grey palette.
  const bool quantize = format == PixelFormat::Bits8 || info.jpeg_color_space == JCS_GRAYSCALE;
  if (info.jpeg_color_space != JCS_GRAYSCALE) info.out_color_space = JCS_RGB;
  if (quantize) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = kQuantizedColours;
    info.dither_mode = JDITHER_FS;
    // libjpeg falls back to its one-pass quantizer for a single grey component.
    info.two_pass_quantize = TRUE;
  }
  jpeg_calc_output_dimensions(&info);
  CheckPixelCount(info.output_width, info.output_height);
  jpeg_start_decompress(&info);

  const size_t stride = static_cast<size_t>(info.output_width) *
                        static_cast<size_t>(quantize ? 1 : info.output_components);
  bitmap.width = static_cast<int>(info.output_width);
  bitmap.height = static_cast<int>(info.output_height);
  bitmap.format = quantize ? PixelFormat::Bits8 : PixelFormat::Bits24;
  bitmap.pixels.assign(stride * info.output_height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = bitmap.pixels.data() + stride * info.output_scanline;
    // A memory source never suspends; a zero count would mean no progress at all.
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
  }

  if (quantize) {
    bitmap.palette.resize(static_cast<size_t>(info.actual_number_of_colors));
    for (size_t i = 0; i < bitmap.palette.size(); ++i) {
      for (size_t c = 0; c < 3; ++c) {
        const int component = info.out_color_components == 1 ? 0 : static_cast<int>(c);
        bitmap.palette[i][c] = info.colormap[component][i];
      }
    }
  }
  jpeg_finish_decompress(&info);
  return static_cast<int>(info.err->num_warnings);
}

Bitmap DecodeBytes(const std::vector<uint8_t>& bytes, int scaleDenom, PixelFormat format,
                   int* warnings = nullptr) {
  Bitmap bitmap;
  Decompressor decompressor;
  const int count = Decode(decompressor, bytes, scaleDenom, format, bitmap);
  if (warnings != nullptr) *warnings = count;
  return bitmap;
}

}  // namespace

struct TJPEGImage::Shared {
  std::vector<uint8_t> bytes;
  PixelFormat format = PixelFormat::Bits24;
  HeaderFacts header;
  std::unique_ptr<const Bitmap> decoded;  // shared by every copy once made
};

TJPEGImage::TJPEGImage() = default;

void TJPEGImage::LoadFromBytes(std::vector<uint8_t> bytes, PixelFormat format) {
  auto shared = std::make_shared<Shared>();
  shared->bytes = std::move(bytes);
  shared->format = format;
  {
    Decompressor decompressor;
    ReadHeader(decompressor, shared->bytes, shared->header);
  }
  shared_ = std::move(shared);
}

bool TJPEGImage::Empty() const {
  return !shared_;
}
int TJPEGImage::Width() const {
  return shared_ ? shared_->header.width : 0;
}
int TJPEGImage::Height() const {
  return shared_ ? shared_->header.height : 0;
}
bool TJPEGImage::Grayscale() const {
  return shared_ && shared_->header.grayscale;
}
bool TJPEGImage::MultipleScans() const {
  return shared_ && shared_->header.multipleScans;
}

const std::vector<uint8_t>& TJPEGImage::CompressedBytes() const {
  static const std::vector<uint8_t> none;
  return shared_ ? shared_->bytes : none;
}
PixelFormat TJPEGImage::Format() const {
  return shared_ ? shared_->format : PixelFormat::Bits24;
}

const Bitmap& TJPEGImage::Decoded() const {
  static const Bitmap none;
  if (!shared_) return none;
  if (!shared_->decoded) {
    shared_->decoded =
        std::make_unique<const Bitmap>(DecodeBytes(shared_->bytes, 1, shared_->format));
  }
  return *shared_->decoded;
}

Bitmap TJPEGImage::DecodeScaled(int scaleDenom) const {
  if (scaleDenom != 1 && scaleDenom != 2 && scaleDenom != 4 && scaleDenom != 8) {
    throw Exception(FormatMessage("Unsupported JPEG scale 1/%d", scaleDenom));
  }
  if (!shared_) return Bitmap();
  return DecodeBytes(shared_->bytes, scaleDenom, shared_->format);
}

int TJPEGImage::CountDecodeWarnings() const {
  if (!shared_) return 0;
  int warnings = 0;
  DecodeBytes(shared_->bytes, 1, shared_->format, &warnings);
  return warnings;
}

}  // namespace talvex::imagestore
