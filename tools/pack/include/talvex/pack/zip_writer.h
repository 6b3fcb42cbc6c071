#pragma once
// Zip archives whose files are stored as they are, without compression: every unzip program
// and the file manager of every Windows since XP opens them.

#include <cstdint>
#include <string>
#include <vector>

namespace talvex::pack {

struct ZipEntry {
  std::string name;  // ASCII, "/" between folders
  std::vector<uint8_t> data;
};

// The archive of the entries, in their order, each dated at the local time given (years 1980
// to 2107). Raises EPackError for a name that is empty or not ASCII, a file of 4 GB or more,
// more than 65535 entries or an archive past 4 GB, which need extensions old unzip programs
// lack.
std::vector<uint8_t> StoredZip(const std::vector<ZipEntry>& entries, int year, int month, int day,
                               int hour, int minute, int second);

}  // namespace talvex::pack
