#include "talvex/tools/jpeg_encode.h"

#include <csetjmp>
#include <new>

#include "jpeg_error_manager.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::tools {

using imagestore::EJPEG;
namespace detail = imagestore::detail;

namespace {

constexpr size_t kFirstOutputSize = 64 * 1024;

// Owns one libjpeg compression object and the growing output buffer it writes into.
class Compressor {
 public:
  Compressor() {
    info_.err = detail::InstallJpegErrorManager(errors_);
    if (setjmp(errors_.jump)) throw EJPEG(errors_.code);
    jpeg_create_compress(&info_);
    info_.client_data = this;
    destination_.init_destination = &InitDestination;
    destination_.empty_output_buffer = &EmptyOutputBuffer;
    destination_.term_destination = &TermDestination;
    info_.dest = &destination_;
  }
  ~Compressor() { jpeg_destroy_compress(&info_); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  jpeg_compress_struct& Info() { return info_; }
  detail::JpegErrorManager& Errors() { return errors_; }
  std::vector<uint8_t> TakeOutput() { return std::move(output_); }

 private:
  static Compressor& Self(j_compress_ptr info) {
    return *static_cast<Compressor*>(info->client_data);
  }

  // The buffer callbacks run inside libjpeg: no C++ exception may leave them.
  static bool Grow(j_compress_ptr info, size_t size) {
    try {
      Self(info).output_.resize(size);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  static void InitDestination(j_compress_ptr info) {
    if (!Grow(info, kFirstOutputSize)) ERREXIT(info, JERR_OUT_OF_MEMORY);
    std::vector<uint8_t>& output = Self(info).output_;
    info->dest->next_output_byte = output.data();
    info->dest->free_in_buffer = output.size();
  }
  // Called when the whole buffer is full.
  static boolean EmptyOutputBuffer(j_compress_ptr info) {
    const size_t used = Self(info).output_.size();
    if (!Grow(info, used * 2)) ERREXIT(info, JERR_OUT_OF_MEMORY);
    std::vector<uint8_t>& output = Self(info).output_;
    info->dest->next_output_byte = output.data() + used;
    info->dest->free_in_buffer = output.size() - used;
    return TRUE;
  }
  static void TermDestination(j_compress_ptr info) {
    Self(info).output_.resize(Self(info).output_.size() - info->dest->free_in_buffer);
  }

  jpeg_compress_struct info_{};
  detail::JpegErrorManager errors_{};
  jpeg_destination_mgr destination_{};
  std::vector<uint8_t> output_;
};

void Compress(Compressor& compressor, const uint8_t* pixels, int width, int height, int components,
              const JpegEncodeSettings& settings) {
  jpeg_compress_struct& info = compressor.Info();
  if (setjmp(compressor.Errors().jump)) throw EJPEG(compressor.Errors().code);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, settings.quality, TRUE);
  if (settings.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
  while (info.next_scanline < info.image_height) {
    // libjpeg's row type is not const, but the compressor only reads the rows.
    JSAMPROW row = const_cast<uint8_t*>(pixels + stride * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, int components,
                                const JpegEncodeSettings& settings) {
  if (width < 1 || height < 1 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
    throw Exception(FormatMessage("Cannot encode a JPEG picture of %d x %d pixels", width, height));
  }
  if (components != 1 && components != 3 && components != 4) {
    throw Exception(FormatMessage("Cannot encode a JPEG picture of %d components", components));
  }
  if (settings.quality < 1 || settings.quality > 100) {
    throw Exception(FormatMessage("JPEG quality %d outside 1 to 100", settings.quality));
  }
  if (pixels == nullptr) throw Exception("Cannot encode a JPEG picture without pixels");
  Compressor compressor;
  Compress(compressor, pixels, width, height, components, settings);
  return compressor.TakeOutput();
}

}  // namespace talvex::tools
