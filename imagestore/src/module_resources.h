#pragma once
// Lookup of one resource of the running program's own module, as the platform's resource
// lookup does it: the type, then the name, then the first language variant.

#include <cstddef>
#include <cstdint>
#include <string>

namespace talvex::imagestore {

struct ResourceBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// The bytes of the resource of the given string type and name of the running program.
// Returns false when there is no such resource (the caller raises EResNotFound).
// The bytes stay valid for the life of the program.
bool FindModuleResource(const std::string& type, const std::string& name, ResourceBytes& out);

}  // namespace talvex::imagestore
