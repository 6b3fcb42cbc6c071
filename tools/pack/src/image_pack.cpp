#include "talvex/pack/image_pack.h"

#include <algorithm>
#include <map>

#include "talvex/ascii.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/pack/image_set_check.h"
#include "talvex/pack/tool_files.h"
#include "talvex/platform/file.h"
#include "talvex/utf16_text.h"

namespace talvex::pack {

namespace {

// Every JPEG file begins with the start-of-image marker and the first marker's FF.
bool LooksLikeJpeg(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

}  // namespace

std::vector<uint8_t> CipherImage(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  imagestore::StreamCipher cipher(imagestore::DeriveKey(imagestore::kImagePassPhrase));
  if (!bytes.empty()) cipher.Apply(bytes.data(), bytes.size());
  return bytes;
}

std::vector<PackImage> ReadImageFolder(const std::string& folder) {
  std::vector<std::string> names;
  const platform::FileStatus listed = platform::ListFolder(folder, names);
  if (!listed.Ok()) throw EPackError("cannot read the folder " + folder + ": " + listed.text);
  std::sort(names.begin(), names.end());
  std::vector<PackImage> images;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    if (name.front() == '.' || !IsImageFile(path)) continue;
    // The resource name is the file name without its last extension.
    const size_t dot = name.rfind('.');
    images.push_back(PackImage{dot == std::string::npos ? name : name.substr(0, dot), path,
                               ReadWholeFile(path)});
  }
  if (images.empty()) throw EPackError("no image files in " + folder);
  return images;
}

std::vector<Resource> PackResources(const std::vector<PackImage>& images) {
  if (images.empty()) throw EPackError("no images to pack");
  if (images.size() > 0xFFFF) throw EPackError("more than 65535 images");
  std::vector<Resource> resources;
  std::map<std::u16string, const PackImage*> byName;
  for (const PackImage& image : images) {
    const std::string where = image.path.empty() ? image.name : image.path;
    if (!LooksLikeJpeg(image.jpeg)) {
      throw EPackError("not a JPEG file (it does not begin with FF D8 FF): " + where);
    }
    std::u16string name;
    if (!Utf8ToUtf16(image.name, name)) throw EPackError("name is not valid UTF-8: " + where);
    if (name.empty()) throw EPackError("empty resource name: " + where);
    if (name.size() > 0xFFFF) {
      throw EPackError("name longer than 65535 UTF-16 code units: " + where);
    }
    if (name[0] == u'#') {
      throw EPackError("name begins with \"#\", which the lookup reads as a number: " + where);
    }
    name = AsciiUpper(name);
    const auto [other, inserted] = byName.emplace(name, &image);
    if (!inserted) {
      const std::string first =
          other->second->path.empty() ? other->second->name : other->second->path;
      throw EPackError("two images have the same resource name in upper case: " + first + " and " +
                       where);
    }
    resources.push_back(Resource{ResourceId::Named(u"BINARY"), ResourceId::Named(name),
                                 kPackLanguage, CipherImage(image.jpeg.data(), image.jpeg.size())});
  }
  return resources;
}

std::vector<uint8_t> BuildImagePack(const std::vector<PackImage>& images) {
  return WriteResourceImage(PackResources(images));
}

std::string ResourceDataFileName(size_t index) {
  std::string digits = std::to_string(index);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return "image" + digits + ".bin";
}

std::string ResourceScript(const std::vector<Resource>& resources) {
  // UTF-8 text; the language of every entry stated once, before them. The file names are left
  // unquoted: the compiler joins a quoted file name to a quoted name on the next line.
  std::string script = "#pragma code_page(65001)\nLANGUAGE " +
                       std::to_string(kPackLanguage & 0x3FF) + ", " +
                       std::to_string(kPackLanguage >> 10) + "\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    const std::string name = Utf16ToUtf8(resources[i].name.name);
    script += '"';
    for (const char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        throw EPackError("a resource script cannot hold the control character in: " + name);
      }
      // Quotes are written twice, and backslashes too, which begin escapes in its strings.
      if (c == '"' || c == '\\') script += c;
      script += c;
    }
    script += "\" BINARY " + ResourceDataFileName(i) + "\n";
  }
  return script;
}

}  // namespace talvex::pack
