#include "talvex/results/sealing.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "file_transform.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/platform/file.h"
#include "talvex/platform/paths.h"
#include "talvex/results/file_names.h"

namespace talvex::results {
namespace {

constexpr size_t kCipherBlock = 512;      // bytes enciphered per step
constexpr size_t kCopyBlock = 64 * 1024;  // bytes copied per step
constexpr const char* kDesktopMessage =
    "A file with extension .enc has been saved to your desktop.\r\n"
    "Please submit this on our website";

// Whether the file at other holds exactly the bytes of the file at source passed through the
// transform; false when either cannot be read.
bool HoldsTransformOf(const std::string& source, const std::string& other,
                      const BlockTransform& transform) {
  platform::File in;
  platform::File out;
  uint64_t inSize = 0;
  uint64_t outSize = 0;
  if (!in.OpenForReading(source).Ok() || !out.OpenForReading(other).Ok() || !in.Size(inSize).Ok() ||
      !out.Size(outSize).Ok() || inSize != outSize) {
    return false;
  }
  std::vector<uint8_t> mine;
  std::vector<uint8_t> theirs;
  do {
    mine.resize(kCopyBlock);
    theirs.resize(kCopyBlock);
    try {
      ReadInto(in, mine, source);
      ReadInto(out, theirs, other);
    } catch (const EInOutError&) {
      return false;
    }
    if (!mine.empty()) transform(mine.data(), mine.size());
    if (mine != theirs) return false;
  } while (!mine.empty());
  return true;
}

// The sealed file on the desktop under its own name, or under the first free numbered name
// when a file of another run is there. A copy already there (a hand-off cut short and
// finished now) is not made again. False when no copy was made.
bool CopyToDesktopFolder(const std::string& sealedPath, std::string desktop) {
  if (desktop.empty()) return false;
  desktop = WithTrailingSeparator(desktop);
  const std::string name = FileNamePart(sealedPath);
  const std::string stem = SwapExtension(name, kSealedExtension, "");
  for (int run = 1; run <= kMaxSameNameRuns; ++run) {
    const std::string target = desktop + NumberedName(stem, run, kSealedExtension);
    if (platform::Exists(target)) {
      if (HoldsTransformOf(sealedPath, target, [](uint8_t*, size_t) {})) return true;
      continue;
    }
    try {
      TransformFile(sealedPath, target, TransformPlan{kCopyBlock, 0, platform::Existing::kKeep},
                    [](const std::vector<uint8_t>&) { return [](uint8_t*, size_t) {}; });
      return true;
    } catch (const Exception&) {
      return false;
    }
  }
  return false;
}

}  // namespace

std::string MakeSealedPath(const std::string& resultsPath) {
  // A path without ".xls" gains ".enc": the sealed file can never be the results file itself.
  return SwapExtension(resultsPath, kResultsExtension, kSealedExtension);
}

void CryptFile(const std::string& source, const std::string& destination,
               std::string_view passPhrase) {
  const auto cipher = std::make_shared<imagestore::StreamCipher>(imagestore::DeriveKey(passPhrase));
  TransformFile(source, destination, TransformPlan{kCipherBlock, 0, platform::Existing::kKeep},
                [cipher](const std::vector<uint8_t>&) {
                  return [cipher](uint8_t* bytes, size_t count) { cipher->Apply(bytes, count); };
                });
}

bool IsSealOf(const std::string& sealedPath, const std::string& resultsPath) {
  imagestore::StreamCipher cipher(imagestore::DeriveKey(kResultsPassPhrase));
  return HoldsTransformOf(resultsPath, sealedPath,
                          [&cipher](uint8_t* bytes, size_t count) { cipher.Apply(bytes, count); });
}

void SealAndHandOff(System& system, const std::string& resultsPath, const std::string& sealedPath,
                    bool copyToDesktop, bool inTemporaryFolder, const HandOffWindow& window) {
  // The seal of a hand-off that was cut short is kept; any other file at the name is refused.
  if (!IsSealOf(sealedPath, resultsPath)) CryptFile(resultsPath, sealedPath, kResultsPassPhrase);
  std::string message;
  if (copyToDesktop) {
    // The message names the place where the rater really finds the sealed file.
    message = CopyToDesktopFolder(sealedPath, system.GetSpecialFolder(kCsidlDesktop))
                  ? std::string(kDesktopMessage)
                  : "A file with extension .enc has been saved to:\r\n" + sealedPath +
                        "\r\nPlease submit this on our website";
  }
  if (inTemporaryFolder) {
    // The system may empty its temporary folder: the rater is told where the files are.
    if (!message.empty()) message += "\r\n\r\n";
    message +=
        "The results file and the sealed file were saved in the temporary folder, "
        "which may be emptied:\r\n" +
        resultsPath + "\r\n" + sealedPath + "\r\nPlease copy them to a safe place.";
  }
  if (!message.empty() && window.showMessage) window.showMessage(message);
  if (window.endProgram) window.endProgram();
}

}  // namespace talvex::results
