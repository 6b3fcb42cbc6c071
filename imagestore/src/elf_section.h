#pragma once
// Locating a named section in an ELF file (32- or 64-bit, little-endian) by its section
// headers, every read bounds-checked.

#include <cstdint>
#include <string>

#include "byte_reader.h"

namespace talvex::imagestore {

// Whether the bytes begin with the ELF magic number.
bool IsElfFile(const ByteReader& file);

// Finds the first section named name that has contents in the file and sets section to its
// bytes. Returns false when there is none; raises EExeError "Corrupt ELF section table" when
// the section table or a section's contents lie outside the file.
bool FindElfSection(const ByteReader& file, const std::string& name, ByteReader& section);

}  // namespace talvex::imagestore
