#pragma once
// One routine for every whole-file job of the results (sealing, unsealing, the desktop copy).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "talvex/platform/file.h"
#include "talvex/results/io_errors.h"

namespace talvex::results {

// Changes a block of the file's bytes in place; blocks come in file order.
using BlockTransform = std::function<void(uint8_t* bytes, size_t count)>;
// Chooses the transform from the first bytes of the source, or raises to refuse the source
// before any file is made.
using TransformChooser = std::function<BlockTransform(const std::vector<uint8_t>& firstBytes)>;

struct TransformPlan {
  size_t blockBytes = 0;  // read, changed and written per step
  size_t probeBytes = 0;  // handed to the chooser (fewer when the source is shorter)
  platform::Existing existing = platform::Existing::kKeep;
};

// Fills the block from the file at path up to the block's size; the block is cut to what was
// read. Raises EInOutError naming the file.
void ReadInto(platform::File& in, std::vector<uint8_t>& block, const std::string& path);

// Streams the source through a transform into the destination. The source must be a regular
// file (a pipe is refused, not waited on); the destination is never the source itself, and
// with Existing::kKeep never a file that is already there. The bytes go into a temporary file
// beside the destination, flushed to stable storage and then renamed into place, so the
// destination holds either what it held before or the whole result. Raises EFOpenError,
// EFCreateError or EInOutError, each naming its file, or what the chooser raises; nothing is
// left behind on failure.
void TransformFile(const std::string& source, const std::string& destination,
                   const TransformPlan& plan, const TransformChooser& choose);

}  // namespace talvex::results
