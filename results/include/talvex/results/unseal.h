#pragma once
// Opening a sealed results file again: the study's side of the sealing.

#include <optional>
#include <string>
#include <string_view>

#include "talvex/exception.h"

namespace talvex::results {

// "File "%s" already exists": the output of an unsealing is there and is not to be replaced.
class EOutputExists : public Exception {
 public:
  using Exception::Exception;
};

// The key a sealed file was found to be sealed with.
enum class SealKey {
  k128,  // the whole MD5 digest of the pass phrase
  k40,   // the 40-bit key of older cipher providers
};

const char* SealKeyName(SealKey key);  // "128-bit key", "40-bit key"

// Where the results file of a sealed file goes: its final ".enc" (any case) replaced by
// ".xls" (".xls" appended when it has none), in outputFolder when that is not empty.
std::string MakeUnsealedPath(const std::string& sealedPath, const std::string& outputFolder);

// The key that turns the start of a sealed file (its first 64 KiB suffice) into the start of a
// results file: the 128-bit key first, then the 40-bit one; nothing when neither does.
std::optional<SealKey> FindSealKey(std::string_view sealedStart, std::string_view passPhrase);

// Deciphers a whole sealed file held in memory, in place, with the key FindSealKey finds, and
// returns that key; leaves the bytes as they are and returns nothing when neither key fits.
std::optional<SealKey> UnsealBytes(std::string& bytes, std::string_view passPhrase);

// Deciphers the sealed file into the output file, with whichever key yields a results file,
// and returns that key. Refuses to replace an existing output file unless overwrite is set;
// the output is written under a temporary name and renamed into place, so a replaced file is
// kept when the new one cannot be written whole. Raises EFOpenError, EFCreateError,
// EInOutError (each naming its file), EOutputExists, or Exception when neither key yields a
// results file; no output file is left behind on failure.
SealKey UnsealFile(const std::string& sealedPath, const std::string& outputPath, bool overwrite,
                   std::string_view passPhrase);

}  // namespace talvex::results
