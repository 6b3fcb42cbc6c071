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

// Enciphers the whole source file into the destination as one RC4 stream, 512 bytes at a
// time. Raises EFOpenError / EFCreateError.
void CryptFile(const std::string& source, const std::string& destination,
               std::string_view passPhrase);

// What the hand-off does to the window: the modal message and the end of the program.
struct HandOffWindow {
  std::function<void(const std::string&)> showMessage;
  std::function<void()> endProgram;
};

// Seals ResultsPath into SealedPath, puts the desktop copy in place when asked, shows the
// message naming where the sealed file is, and requests the end of the program.
void SealAndHandOff(System& system, const std::string& resultsPath, const std::string& sealedPath,
                    bool copyToDesktop, const HandOffWindow& window);

}  // namespace talvex::results
