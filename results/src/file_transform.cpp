#include "file_transform.h"

#include <cerrno>

#include "talvex/exception.h"
#include "talvex/results/io_errors.h"

namespace talvex::results {
namespace {

// The temporary output: removed unless it was renamed into place.
struct TemporaryOutput {
  platform::File file;
  std::string path;
  bool placed = false;

  TemporaryOutput() = default;
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;
  ~TemporaryOutput() {
    if (placed || path.empty()) return;
    file.Close();
    platform::RemoveFile(path);
  }
};

}  // namespace

void ReadInto(platform::File& in, std::vector<uint8_t>& block, const std::string& path) {
  size_t filled = 0;
  while (filled < block.size()) {
    size_t count = 0;
    const platform::FileStatus status =
        in.Read(block.data() + filled, block.size() - filled, count);
    if (!status.Ok()) RaiseIoError(status, path);
    if (count == 0) break;
    filled += count;
  }
  block.resize(filled);
}

void TransformFile(const std::string& source, const std::string& destination,
                   const TransformPlan& plan, const TransformChooser& choose) {
  platform::File in;
  platform::FileStatus status = in.OpenForReading(source);
  if (!status.Ok()) RaiseOpenError(status, source);

  std::vector<uint8_t> block(plan.probeBytes);
  ReadInto(in, block, source);
  const BlockTransform transform = choose(block);

  // Renaming over the source would lose it; so would replacing a file the caller keeps.
  if (in.IsFileAt(destination)) RaiseCreateError(platform::SharingViolationStatus(), destination);
  if (plan.existing == platform::Existing::kKeep && platform::Exists(destination)) {
    RaiseCreateError(platform::StatusFromErrno(EEXIST), destination);
  }

  TemporaryOutput out;
  status = out.file.CreateBeside(destination, out.path);
  if (!status.Ok()) RaiseCreateError(status, destination);

  // The probe's bytes are the first block; no empty block is transformed or written.
  if (block.empty()) {
    block.resize(plan.blockBytes);
    ReadInto(in, block, source);
  }
  while (!block.empty()) {
    transform(block.data(), block.size());
    status = out.file.WriteAll(block.data(), block.size());
    if (!status.Ok()) RaiseIoError(status, destination);
    block.resize(plan.blockBytes);
    ReadInto(in, block, source);
  }
  status = out.file.Sync();
  if (status.Ok()) status = out.file.Close();
  if (!status.Ok()) RaiseIoError(status, destination);

  status = platform::RenameFile(out.path, destination, plan.existing);
  if (!status.Ok()) RaiseCreateError(status, destination);
  out.placed = true;
}

}  // namespace talvex::results
