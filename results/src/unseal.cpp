#include "talvex/results/unseal.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "file_transform.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/platform/file.h"
#include "talvex/platform/paths.h"
#include "talvex/results/file_names.h"
#include "talvex/results/results_format.h"
#include "talvex/system.h"

namespace talvex::results {
namespace {

// The start of the file that is deciphered to recognise the key; a parameter line longer
// than this does not occur in a results file.
constexpr size_t kShapePrefix = 64 * 1024;
constexpr size_t kCopyBlock = 64 * 1024;

std::vector<uint8_t> Deciphered(std::vector<uint8_t> bytes, const imagestore::CipherKey& key) {
  imagestore::StreamCipher cipher(key);
  cipher.Apply(bytes.data(), bytes.size());
  return bytes;
}

std::string_view AsText(const std::vector<uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

imagestore::CipherKey CipherKeyOf(SealKey key, std::string_view passPhrase) {
  return key == SealKey::k128 ? imagestore::DeriveKey(passPhrase)
                              : imagestore::DeriveKey40(passPhrase);
}

}  // namespace

const char* SealKeyName(SealKey key) {
  return key == SealKey::k128 ? "128-bit key" : "40-bit key";
}

std::string MakeUnsealedPath(const std::string& sealedPath, const std::string& outputFolder) {
  std::string path = sealedPath;
  if (!outputFolder.empty()) {
    path = WithTrailingSeparator(outputFolder) + FileNamePart(path);
  }
  return SwapExtension(path, kSealedExtension, kResultsExtension);
}

std::optional<SealKey> FindSealKey(std::string_view sealedStart, std::string_view passPhrase) {
  const std::string_view start = sealedStart.substr(0, kShapePrefix);
  const std::vector<uint8_t> bytes(start.begin(), start.end());
  for (const SealKey key : {SealKey::k128, SealKey::k40}) {
    if (HasResultsShape(AsText(Deciphered(bytes, CipherKeyOf(key, passPhrase))))) return key;
  }
  return std::nullopt;
}

std::optional<SealKey> UnsealBytes(std::string& bytes, std::string_view passPhrase) {
  const std::optional<SealKey> key = FindSealKey(bytes, passPhrase);
  if (key) {
    imagestore::StreamCipher(CipherKeyOf(*key, passPhrase))
        .Apply(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  }
  return key;
}

SealKey UnsealFile(const std::string& sealedPath, const std::string& outputPath, bool overwrite,
                   std::string_view passPhrase) {
  SealKey key = SealKey::k128;
  const auto choose = [&](const std::vector<uint8_t>& prefix) -> BlockTransform {
    const std::optional<SealKey> found = FindSealKey(AsText(prefix), passPhrase);
    if (!found) {
      throw Exception(
          FormatMessage("\"%s\" is not a sealed results file: neither the 128-bit nor the 40-bit "
                        "key yields a parameter line and the header line",
                        sealedPath.c_str()));
    }
    if (!overwrite && platform::Exists(outputPath)) {
      throw EOutputExists(FormatMessage("File \"%s\" already exists", outputPath.c_str()));
    }
    key = *found;
    const auto cipher = std::make_shared<imagestore::StreamCipher>(CipherKeyOf(key, passPhrase));
    return [cipher](uint8_t* bytes, size_t count) { cipher->Apply(bytes, count); };
  };
  TransformFile(sealedPath, outputPath,
                TransformPlan{kCopyBlock, kShapePrefix,
                              overwrite ? platform::Existing::kReplace : platform::Existing::kKeep},
                choose);
  return key;
}

}  // namespace talvex::results
