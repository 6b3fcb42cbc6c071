// Loading the embedded image set: LoadImage (copy, decipher, header), the first decode of a
// picture in either pixel format, reduced decodes, and the deciphering speed.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "talvex/embedded_images.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/imagestore/resource_manager.h"

namespace {

using talvex::imagestore::PixelFormat;
using talvex::imagestore::TJPEGImage;
using talvex::imagestore::TResourceManager;

// The trial images of the embedded set (the blank and About pictures left out).
const std::vector<std::string>& TrialImageNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> trials;
    for (const std::string& name :
         TResourceManager(talvex::EmbeddedImageSource()).ListImageNames()) {
      if (name.compare(10, 3, "POS") == 0 || name.compare(10, 3, "NEG") == 0) {
        trials.push_back(name);
      }
    }
    return trials;
  }();
  return names;
}

// Time of one LoadImage, cycling through the trial images.
void BM_LoadImage(benchmark::State& state) {
  const std::vector<std::string>& names = TrialImageNames();
  if (names.empty()) return state.SkipWithError("no embedded images");
  const TResourceManager loader(talvex::EmbeddedImageSource());
  size_t next = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    auto picture = loader.LoadImage(names[next]);
    bytes += static_cast<int64_t>(picture->CompressedBytes().size());
    benchmark::DoNotOptimize(picture->Width());
    next = (next + 1) % names.size();
  }
  state.SetBytesProcessed(bytes);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoadImage)->Unit(benchmark::kMicrosecond);

// Time of the first decode of a freshly loaded picture, 24-bit (arg 24) or 8-bit (arg 8).
void BM_FirstDecode(benchmark::State& state) {
  const std::vector<std::string>& names = TrialImageNames();
  if (names.empty()) return state.SkipWithError("no embedded images");
  const TResourceManager loader(talvex::EmbeddedImageSource(),
                                state.range(0) == 8 ? PixelFormat::Bits8 : PixelFormat::Bits24);
  size_t next = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto picture = loader.LoadImage(names[next]);
    next = (next + 1) % names.size();
    state.ResumeTiming();
    benchmark::DoNotOptimize(picture->Decoded().pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FirstDecode)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

// A reduced decode for a small display, 1/denominator of each side.
void BM_DecodeScaled(benchmark::State& state) {
  const std::vector<std::string>& names = TrialImageNames();
  if (names.empty()) return state.SkipWithError("no embedded images");
  const auto picture = TResourceManager(talvex::EmbeddedImageSource()).LoadImage(names.front());
  for (auto _ : state) {
    benchmark::DoNotOptimize(picture->DecodeScaled(static_cast<int>(state.range(0))).pixels.data());
  }
}
BENCHMARK(BM_DecodeScaled)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// Deciphering speed of TCrypto over a stream of the given size in bytes.
void BM_DecipherStream(benchmark::State& state) {
  std::vector<uint8_t> stream(static_cast<size_t>(state.range(0)), 0x5A);
  const talvex::imagestore::TCrypto crypto;
  for (auto _ : state) {
    crypto.DecipherStream(stream);
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DecipherStream)->Arg(200 << 10)->Arg(4 << 20);

}  // namespace

BENCHMARK_MAIN();
