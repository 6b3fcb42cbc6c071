#pragma once
// Reading and rewriting the program files that a study's image set is stamped into: a Windows
// program (PE32 or PE32+), whose resource section is rebuilt in place, and a Linux program
// (ELF, 32- or 64-bit, little-endian), one of whose sections, not loaded with the program, is
// replaced. Every read of the file is bounds-checked; a file that points outside itself is
// refused with EPackError.

#include <cstdint>
#include <string>
#include <vector>

#include "talvex/pack/resource_image_writer.h"

namespace talvex::pack {

enum class ProgramKind { Windows, Linux, Other };

// What the file's signatures say it is ("MZ" and "PE", or the ELF magic); nothing more is read.
ProgramKind KindOfProgram(const std::vector<uint8_t>& file);

// Every resource of a PE file, each language variant on its own, with a copy of its data, in
// stored order. Raises EPackError for a damaged resource directory.
std::vector<Resource> ReadPeResources(const std::vector<uint8_t>& file);

// Whether the PE file carries a signature (a certificate table).
bool IsSignedPe(const std::vector<uint8_t>& file);

// The file with the given resources as its resource section, in place of those it has. The
// sections after the resource section move with it; they must be discardable (base
// relocations, debugging information), and only the base relocation directory may point into
// them. Section table, image size, initialized-data size, resource and relocation directories,
// the symbol table's position and the checksum are updated. Raises EPackError for a signed
// file and for a layout it cannot rewrite soundly.
std::vector<uint8_t> ReplacePeResources(const std::vector<uint8_t>& file,
                                        const std::vector<Resource>& resources);

// The checksum of a PE file as the system's image loader computes it (16-bit one's-complement
// sum of the file without its checksum field, plus the file's length).
uint32_t PeChecksum(const std::vector<uint8_t>& file);

// The product name and the fixed file version ("1.7.0.0") of a version block (the data of a
// resource of type 16); false when the data is not a version block or has no product name.
struct VersionBlock {
  std::string productName;
  std::string fileVersion;
};
bool ReadVersionBlock(const std::vector<uint8_t>& data, VersionBlock& block);

// The contents of the ELF file's section of that name; false when it has none.
bool ReadElfSection(const std::vector<uint8_t>& file, const std::string& name,
                    std::vector<uint8_t>& contents);

// The ELF file with new contents in its section of that name, which must not be loaded with
// the program nor lie inside a segment; what follows it in the file moves, keeping every
// alignment. Raises EPackError when there is no such section or it cannot be replaced soundly.
std::vector<uint8_t> ReplaceElfSection(const std::vector<uint8_t>& file, const std::string& name,
                                       const std::vector<uint8_t>& contents);

}  // namespace talvex::pack
