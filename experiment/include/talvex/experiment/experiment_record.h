#pragma once
// The experiment record: the run-wide values, one instance for the whole run.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "talvex/experiment/main_window.h"
#include "talvex/experiment/random_source.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/file.h"

namespace talvex::experiment {

// A trial pool: resource names still to be shown, duplicates allowed, unsorted.
using Pool = std::vector<std::string>;

struct ExperimentRecord {
  std::string ProgramFolder;  // the executable's folder, ending in the path separator
  bool OnCdRom = false;

  int32_t Exposure = 0;  // ms
  double PosFraction = 0.0;
  double NegFraction = 0.0;
  bool CopyToDesktop = false;
  std::string ParamLine;

  Pool PosPool;
  Pool NegPool;
  int32_t TotalTrials = 0;
  int32_t TrialCount = 0;  // trials drawn so far

  std::string RaterId;
  std::string ResultsPath;
  platform::FileIdentity ResultsIdentity;  // the file made at Start; rows go to no other
  bool ResultsInTemporaryFolder = false;   // the system may empty that folder
  std::string SealedPath;
  bool PathsMade = false;  // ResultsPath and SealedPath are fixed for this run

  std::string ImageName;    // status, TAB, image name
  double ShownAt = 0.0;     // wall-clock time stamp of the current image's onset
  int64_t ShownAtNs = 0;    // monotonic mark of the same onset; latencies come from it
  bool RowWritten = false;  // the current trial's row is in the results file
  int32_t Response = -1;    // 1..5, or -1 for none
  int32_t Latency = 0;      // ms

  imagestore::TJPEGImage BlankPicture;
  // Its pixels, made once on the worker early in the first exposure: otherwise the end of that
  // exposure would wait for them.
  std::shared_ptr<const IPreparedPixels> BlankPixels;
  std::shared_ptr<const imagestore::TResourceManager> ImageLoader;

  RandomSource Random;
};

}  // namespace talvex::experiment
