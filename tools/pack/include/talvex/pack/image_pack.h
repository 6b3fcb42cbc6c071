#pragma once
// The image pack: the program's image set as a resource-only PE32 image. Every image is a
// named entry of the string-named type "BINARY", one language variant each, whose data is
// the JPEG file enciphered with the image pass phrase (a fresh key stream per image).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "talvex/pack/resource_image_writer.h"

namespace talvex::pack {

struct PackImage {
  std::string name;  // the resource name, as given
  std::string path;  // where it came from, for messages
  std::vector<uint8_t> jpeg;
};

// The images of a folder: every regular file not starting with "." whose name without its
// extension is the resource name, read whole; folders are passed over. Raises EPackError when
// the folder cannot be read or holds no such file, and for any other entry (IsImageFile).
std::vector<PackImage> ReadImageFolder(const std::string& folder);

// The pack of the images. Names are stored in upper case, as resource compilers store them
// and as the lookup compares them. Raises EPackError for a file that is not JPEG (it must
// begin with FF D8 FF), a name a resource directory cannot hold (empty, not UTF-8, longer
// than 65535 UTF-16 code units, or beginning with "#", which the lookup reads as a number),
// two names equal in upper case, or more than 65535 images. The output depends only on
// the images, not on their order.
std::vector<uint8_t> BuildImagePack(const std::vector<PackImage>& images);

// The resources of that pack, checked and named as BuildImagePack describes, each image
// enciphered.
std::vector<Resource> PackResources(const std::vector<PackImage>& images);

// The same resources for a resource compiler: a UTF-8 script naming each resource's data
// file, ResourceDataFileName(i) for the i-th resource, in the script's own folder. Compiled,
// it gives the "BINARY" entries of the pack. Raises EPackError for a name holding a control
// character, which a script line cannot carry.
std::string ResourceScript(const std::vector<Resource>& resources);
std::string ResourceDataFileName(size_t index);

// Enciphers or deciphers (the same operation) one image's bytes.
std::vector<uint8_t> CipherImage(const uint8_t* data, size_t size);

}  // namespace talvex::pack
