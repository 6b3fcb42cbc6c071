#pragma once
// The image set linked into the program.

namespace talvex {

// Registers the embedded image pack as the program's resources (for ListImageNames and
// LoadImage). The program calls it first thing.
void RegisterEmbeddedImages();

}  // namespace talvex
