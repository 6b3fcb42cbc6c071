#pragma once
// Sealing the finished results file and handing it to the rater.

#include <functional>
#include <string>
#include <string_view>

#include "talvex/system.h"

namespace talvex::results {

// Pass phrase of the sealed results file.
inline constexpr std::string_view kResultsPassPhrase = "qorventil";

// The results path with its final ".xls" (any letter case) replaced by ".enc".
std::string MakeSealedPath(const std::string& resultsPath);

// Enciphers the whole source file into a new destination file as one RC4 stream, 512 bytes
// at a time. A file already at the destination is never replaced. Raises EFOpenError,
// EFCreateError or EInOutError, each naming its file; no destination is left on failure.
void CryptFile(const std::string& source, const std::string& destination,
               std::string_view passPhrase);

// Whether the file at sealedPath is the seal of the results file as it is now: the sealing of
// a run whose hand-off was cut short. False when either cannot be read.
bool IsSealOf(const std::string& sealedPath, const std::string& resultsPath);

// What the hand-off does to the window: the modal message and the end of the program.
struct HandOffWindow {
  std::function<void(const std::string&)> showMessage;
  std::function<void()> endProgram;
};

// Seals ResultsPath into SealedPath, puts the desktop copy in place when asked (under a
// numbered name when the desktop holds another file of that name), shows the message naming
// where the sealed file is, and requests the end of the program. When the results lie in the
// temporary folder, the message also says where they are and that the folder may be emptied.
// A hand-off cut short is finished without doubling anything: a seal of the results already
// at SealedPath is kept, and a copy of it already on the desktop is not made again.
void SealAndHandOff(System& system, const std::string& resultsPath, const std::string& sealedPath,
                    bool copyToDesktop, bool inTemporaryFolder, const HandOffWindow& window);

}  // namespace talvex::results
