// The catalogue of the embedded image set: ListImageNames over the linked pack (the directory
// walked in place) and over the program's own file (mapped, walked and released on every
// call), and the lookup of one resource by name.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "talvex/embedded_images.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/posix_system.h"

namespace {

using talvex::imagestore::ImageSource;
using talvex::imagestore::TResourceManager;

void ListNames(benchmark::State& state, const ImageSource& source) {
  const TResourceManager catalogue(source);
  for (auto _ : state) {
    std::vector<std::string> names = catalogue.ListImageNames();
    benchmark::DoNotOptimize(names.data());
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<int64_t>(catalogue.ListImageNames().size()));
}

void BM_ListImageNames(benchmark::State& state) {
  ListNames(state, talvex::EmbeddedImageSource());
}
BENCHMARK(BM_ListImageNames)->Unit(benchmark::kMicrosecond);

void BM_ListImageNamesFromProgramFile(benchmark::State& state) {
  ListNames(state, ImageSource::ProgramFile(talvex::platform::TheSystem().ExecutablePath()));
}
BENCHMARK(BM_ListImageNamesFromProgramFile)->Unit(benchmark::kMicrosecond);

// One lookup by type and name, as LoadImage makes it before copying the bytes.
void BM_FindResourceData(benchmark::State& state) {
  const ImageSource source = talvex::EmbeddedImageSource();
  talvex::imagestore::ByteSpan bytes;
  for (auto _ : state) {
    const std::unique_ptr<talvex::imagestore::TExeImage> image = source.Open();
    benchmark::DoNotOptimize(
        talvex::imagestore::FindResourceData(*image, "BINARY", "RESOURCES_POS_G__19__BMP", bytes));
  }
}
BENCHMARK(BM_FindResourceData)->Unit(benchmark::kMicrosecond);

}  // namespace
