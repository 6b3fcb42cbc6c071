#include "talvex/results/sealing.h"

#include <cstdint>

#include "path_text.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/platform/file.h"
#include "talvex/results/results_log.h"

namespace talvex::results {
namespace {

constexpr size_t kCipherBlock = 512;  // bytes enciphered per step
constexpr const char* kDesktopMessage =
    "A file with extension .enc has been saved to your desktop.\r\n"
    "Please submit this on our website";

std::string FileNamePart(const std::string& path) {
  const size_t separator = path.find_last_of(kPathSeparator);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

std::string MakeSealedPath(const std::string& resultsPath) {
  // Only the extension changes; a path without ".xls" keeps its name and gains ".enc", so
  // the sealed file can never be the results file itself.
  if (EndsWithNoCase(resultsPath, ".xls")) {
    return resultsPath.substr(0, resultsPath.size() - 4) + ".enc";
  }
  return resultsPath + ".enc";
}

void CryptFile(const std::string& source, const std::string& destination,
               std::string_view passPhrase) {
  platform::File in;
  platform::FileStatus status = in.OpenForReading(source);
  if (!status.Ok()) {
    throw EFOpenError(
        FormatMessage("Cannot open file \"%s\". %s", source.c_str(), status.text.c_str()));
  }
  platform::File out;
  // Creating the destination over the source would empty the source before it was read.
  status = in.IsFileAt(destination) ? platform::SharingViolationStatus() : out.Create(destination);
  if (!status.Ok()) {
    throw EFCreateError(
        FormatMessage("Cannot create file \"%s\". %s", destination.c_str(), status.text.c_str()));
  }

  // Only a file of this call's making is removed on failure, never a device.
  const bool removable = out.IsFileAt(destination) && platform::FileExists(destination);

  imagestore::StreamCipher cipher(imagestore::DeriveKey(passPhrase));
  uint8_t buffer[kCipherBlock];
  for (;;) {
    size_t count = 0;
    status = in.Read(buffer, sizeof buffer, count);
    if (!status.Ok() || count == 0) break;
    cipher.Apply(buffer, count);
    status = out.WriteAll(buffer, count);
    if (!status.Ok()) break;
  }
  if (status.Ok()) status = out.Sync();
  if (status.Ok()) status = out.Close();
  if (!status.Ok()) {
    // A sealed file that holds only part of the results must not be handed on.
    out.Close();
    if (removable) platform::RemoveFile(destination);
    throw EInOutError(status.code, IoErrorMessage(status.code));
  }
}

void SealAndHandOff(System& system, const std::string& resultsPath, const std::string& sealedPath,
                    bool copyToDesktop, const HandOffWindow& window) {
  CryptFile(resultsPath, sealedPath, kResultsPassPhrase);
  if (copyToDesktop) {
    std::string desktop = system.GetSpecialFolder(kCsidlDesktop);
    bool copied = false;
    if (!desktop.empty()) {
      if (desktop.back() != kPathSeparator) desktop += kPathSeparator;
      copied = platform::CopyFile(sealedPath, desktop + FileNamePart(sealedPath)).Ok();
    }
    // The message names the place where the rater really finds the sealed file.
    if (window.showMessage) {
      window.showMessage(copied ? std::string(kDesktopMessage)
                                : "A file with extension .enc has been saved to:\r\n" + sealedPath +
                                      "\r\nPlease submit this on our website");
    }
  }
  if (window.endProgram) window.endProgram();
}

}  // namespace talvex::results
