#pragma once
// The catalogue of a program's resources: the names under a resource type, the lookup of one
// resource by type and name, and the opening of a program file whichever way it carries its
// resources (a PE file's own resource section, or the image pack in an ELF file's section).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "talvex/imagestore/byte_span.h"
#include "talvex/imagestore/exe_image.h"

namespace talvex::imagestore {

// The ELF section in which the program carries its image pack (a resource-only PE image).
inline constexpr const char* kImagePackSection = ".talvex_images";

// The display names of the entries under every top-level type whose display name is exactly
// typeName (letter case counts), in stored order.
std::vector<std::string> ListTypeEntryNames(TExeImage& image, const std::string& typeName);

// The same entries by the keys FindResourceData takes: a name as it is stored, an integer ID
// as "#<number>".
std::vector<std::string> ListTypeEntryKeys(TExeImage& image, const std::string& typeName);

// Looks a resource up as the platform's resource lookup does: type, then name, then the
// first language variant stored. Type and name are compared in upper case, and "#<number>"
// stands for an integer ID. False when there is no such resource (or no resource section);
// data then stays as it was.
bool FindResourceData(TExeImage& image, const std::string& type, const std::string& name,
                      ByteSpan& data);

// Opens a program file: a PE file as it is, an ELF file through its image pack section
// (raises "No resources in this file." when it has none). Mapping errors as TExeImage's.
std::unique_ptr<TExeImage> OpenProgramImage(const std::string& fileName);

// The same over a program held in memory; keepAlive owns the bytes (or null). Returns null
// when an ELF file carries no image pack.
std::unique_ptr<TExeImage> OpenProgramImage(const uint8_t* data, size_t size,
                                            const std::string& name,
                                            std::shared_ptr<const void> keepAlive);

}  // namespace talvex::imagestore
