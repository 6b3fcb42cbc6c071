#pragma once
// The files talvex-pack reads and writes, named by UTF-8 paths on every platform and opened
// through the platform's files (on Windows by their UTF-16 names). Each failure is raised as
// EPackError naming the path.

#include <cstdint>
#include <string>
#include <vector>

#include "talvex/pack/resource_image_writer.h"

namespace talvex::pack {

std::vector<uint8_t> ReadWholeFile(const std::string& path);

// Writes the file whole under a new name of its own beside it (made exclusively, so that a
// file or link planted there is never written through) and renames it into place, so that
// path never holds half a file; the temporary file is removed on failure. With permissionsOf,
// the file takes that file's permissions (a stamped Linux program stays executable).
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    const std::string& permissionsOf = {});

// Makes the folder and every missing folder above it.
void MakeFolders(const std::string& folder);

}  // namespace talvex::pack
