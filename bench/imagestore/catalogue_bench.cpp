// The catalogue of the embedded image set: ListImageNames over the registered pack (the
// directory walked in place) and over the program's own file (mapped, walked and released on
// every call), and the lookup of one resource by name.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "module_resources.h"
#include "talvex/embedded_images.h"
#include "talvex/imagestore/resource_manager.h"

namespace {

using talvex::imagestore::TResourceManager;

void BM_ListImageNames(benchmark::State& state) {
  talvex::RegisterEmbeddedImages();
  const TResourceManager catalogue;
  for (auto _ : state) {
    std::vector<std::string> names = catalogue.ListImageNames();
    benchmark::DoNotOptimize(names.data());
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<int64_t>(catalogue.ListImageNames().size()));
}
BENCHMARK(BM_ListImageNames)->Unit(benchmark::kMicrosecond);

void BM_ListImageNamesFromProgramFile(benchmark::State& state) {
  talvex::imagestore::SetModuleResources(nullptr, 0);
  const TResourceManager catalogue;
  for (auto _ : state) {
    std::vector<std::string> names = catalogue.ListImageNames();
    benchmark::DoNotOptimize(names.data());
  }
  talvex::RegisterEmbeddedImages();
}
BENCHMARK(BM_ListImageNamesFromProgramFile)->Unit(benchmark::kMicrosecond);

// One lookup by type and name, as LoadImage makes it before copying the bytes.
void BM_FindModuleResource(benchmark::State& state) {
  talvex::RegisterEmbeddedImages();
  talvex::imagestore::ResourceBytes bytes;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        talvex::imagestore::FindModuleResource("BINARY", "RESOURCES_POS_G__19__BMP", bytes));
  }
}
BENCHMARK(BM_FindModuleResource)->Unit(benchmark::kMicrosecond);

}  // namespace
