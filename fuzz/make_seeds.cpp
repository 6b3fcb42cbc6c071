// talvex-fuzz-seeds OUTDIR: writes the seed corpora of the fuzz targets, small inputs that
// reach every part of the resource reader and of the JPEG picture:
//   OUTDIR/exe_image/   an image pack, a resource image of every entry kind, an ELF program
//   OUTDIR/jpeg_image/  small baseline colour, greyscale and progressive JPEG files
//   OUTDIR/results_file/ results files: a whole run with repeats, bad rows, a sealed file and
//                        two runs apart (form feed) for the across-rater figures

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/little_endian.h"
#include "talvex/pack/image_pack.h"
#include "talvex/pack/resource_image_writer.h"
#include "talvex/results/results_format.h"
#include "talvex/results/sealing.h"
#include "talvex/tools/jpeg_encode.h"

namespace {

using namespace talvex;
using pack::Resource;
using pack::ResourceId;

class Bytes {
 public:
  Bytes& U8(uint32_t v) {
    AppendLittleEndian(data, v, 1);
    return *this;
  }
  Bytes& U16(uint32_t v) {
    AppendLittleEndian16(data, v);
    return *this;
  }
  Bytes& U32(uint32_t v) {
    AppendLittleEndian32(data, v);
    return *this;
  }
  Bytes& Text(const std::u16string& text) {
    for (char16_t c : text) U16(c);
    return U16(0);
  }
  Bytes& Append(const std::vector<uint8_t>& more) {
    data.insert(data.end(), more.begin(), more.end());
    return *this;
  }
  std::vector<uint8_t> data;
};

std::vector<uint8_t> Jpeg(int width, int height, int components, bool progressive) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width * height * components));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37 % 251);
  tools::JpegEncodeSettings settings;
  settings.quality = 50;
  settings.progressive = progressive;
  return tools::EncodeJpeg(pixels.data(), width, height, components, settings);
}

// An 8 x 8 icon or cursor image at 1 bit per pixel: header, palette, colour and mask rows.
std::vector<uint8_t> SmallIconImage() {
  Bytes b;
  b.U32(40).U32(8).U32(16).U16(1).U16(1).U32(0).U32(64).U32(0).U32(0).U32(0).U32(0);
  b.U32(0).U32(0x00FFFFFF);
  for (uint32_t i = 0; i < 64; ++i) b.U8(i * 13);
  return b.data;
}

std::vector<uint8_t> KindsImage() {
  const std::vector<uint8_t> icon = SmallIconImage();
  const auto iconSize = static_cast<uint32_t>(icon.size());
  Bytes group;
  group.U16(0).U16(1).U16(1).U8(8).U8(8).U8(2).U8(0).U16(1).U16(1).U32(iconSize).U16(1);
  Bytes cursor;
  cursor.U16(2).U16(3).Append(icon);
  Bytes cursorGroup;
  cursorGroup.U16(0).U16(2).U16(1).U16(8).U16(16).U16(1).U16(1).U32(iconSize + 4).U16(2);
  Bytes bitmap;
  bitmap.U32(40).U32(4).U32(2).U16(1).U16(4).U32(0).U32(8).U32(0).U32(0).U32(0).U32(0);
  for (int i = 0; i < 16; ++i) bitmap.U32(0x00101010u * static_cast<uint32_t>(i));
  bitmap.U32(0x01234567).U32(0x89ABCDEF);
  Bytes strings;
  for (int i = 0; i < 16; ++i) {
    if (i == 1 || i == 5) {
      strings.U16(3).U16('a').U16('b').U16('c');
    } else {
      strings.U16(0);
    }
  }
  Bytes menu;
  menu.U16(0).U16(0);
  menu.U16(0x10).Text(u"&File");
  menu.U16(0).U16(101).Text(u"&Open");
  menu.U16(0).U16(0).Text(u"");
  menu.U16(0x90).Text(u"&Recent");
  menu.U16(0x80).U16(201).Text(u"one");
  menu.U16(0x80).U16(102).Text(u"&Help");
  return pack::WriteResourceImage({
      Resource{ResourceId::Named(u"BINARY"),
               ResourceId::Named(u"RESOURCES_BLANK_BMP"),
               0x409,
               {0xFF, 0xD8, 0xFF}},
      Resource{ResourceId::Named(u"BINARY"), ResourceId::Number(7), 0x407, {1, 2, 3}},
      Resource{ResourceId::Named(u"BINARY"), ResourceId::Number(7), 0x409, {4, 5}},
      Resource{ResourceId::Number(257), ResourceId::Number(1), 0, {9}},
      Resource{ResourceId::Number(3), ResourceId::Number(1), 0x409, icon},
      Resource{ResourceId::Number(14), ResourceId::Number(1), 0x409, group.data},
      Resource{ResourceId::Number(1), ResourceId::Number(2), 0x409, cursor.data},
      Resource{ResourceId::Number(12), ResourceId::Number(3), 0x409, cursorGroup.data},
      Resource{ResourceId::Number(2), ResourceId::Number(4), 0x409, bitmap.data},
      Resource{ResourceId::Number(6), ResourceId::Number(1), 0x409, strings.data},
      Resource{ResourceId::Number(4), ResourceId::Number(5), 0x409, menu.data},
  });
}

// A 64-bit ELF file whose one section (besides the names) is the image pack.
std::vector<uint8_t> ElfProgram(const std::vector<uint8_t>& pack) {
  const std::string names =
      std::string("\0", 1) + imagestore::kImagePackSection + '\0' + ".shstrtab" + '\0';
  const auto packOffset = 64u;
  const auto namesOffset = packOffset + static_cast<uint32_t>(pack.size());
  const auto table = namesOffset + static_cast<uint32_t>(names.size());
  Bytes b;
  b.U8(0x7F).U8('E').U8('L').U8('F').U8(2).U8(1).U8(1);
  while (b.data.size() < 16) b.U8(0);
  b.U16(2).U16(62).U32(1).U32(0).U32(0).U32(0).U32(0).U32(table).U32(0);
  b.U32(0).U16(64).U16(0).U16(0).U16(64).U16(3).U16(2);
  b.Append(pack).Append(std::vector<uint8_t>(names.begin(), names.end()));
  auto header = [&b](uint32_t name, uint32_t type, uint32_t offset, uint32_t size) {
    b.U32(name).U32(type).U32(2).U32(0).U32(0).U32(0).U32(offset).U32(0);
    b.U32(size).U32(0).U32(0).U32(0).U32(1).U32(0).U32(0).U32(0);
  };
  header(0, 0, 0, 0);
  header(1, 1, packOffset, static_cast<uint32_t>(pack.size()));
  header(static_cast<uint32_t>(names.size()) - 10, 3, namesOffset,
         static_cast<uint32_t>(names.size()));
  return b.data;
}

void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

// A results file of one rater: 4 positive and 6 negative images, the first of each shown twice.
std::string ResultsFile(const std::string& rater, int shift) {
  std::string text = std::string("1000 0.25 0.17 1\r\n") + results::kHeaderLine + "\r\n";
  const char* const images[] = {"g (0).ccc", "c (0).ccc", "g (1).ccc", "c (1).ccc",
                                "c (2).ccc", "g (2).ccc", "c (3).ccc", "c (4).ccc",
                                "g (3).ccc", "c (5).ccc", "g (0).ccc", "c (0).ccc"};
  int n = 0;
  for (const char* image : images) {
    ++n;
    const bool positive = image[0] == 'g';
    const int rating = 1 + (n * 3 + shift + (positive ? 3 : 0)) % 5;
    text += rater + "\t07/12/2026\t14:05:" + std::to_string(10 + n) + "\t" + std::to_string(n) +
            "\t" + (positive ? "pos" : "neg") + "\t" + image + "\t" + std::to_string(rating) +
            "\t" + std::to_string(400 + 97 * n) + "\r\n";
  }
  return text;
}

std::vector<uint8_t> AsBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Sealed(const std::string& text) {
  std::vector<uint8_t> bytes = AsBytes(text);
  imagestore::StreamCipher(imagestore::DeriveKey(results::kResultsPassPhrase))
      .Apply(bytes.data(), bytes.size());
  return bytes;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: talvex-fuzz-seeds OUTDIR\n");
    return 2;
  }
  try {
    const std::filesystem::path out = argv[1];
    const std::vector<uint8_t> pack =
        pack::BuildImagePack({{"RESOURCES_BLANK_BMP", "", Jpeg(8, 8, 1, false)},
                              {"RESOURCES_NEG_C__10__BMP", "", Jpeg(8, 8, 3, false)},
                              {"RESOURCES_NEG_C__1__BMP", "", Jpeg(8, 8, 3, false)}});
    Write(out / "exe_image" / "pack.dll", pack);
    Write(out / "exe_image" / "kinds.dll", KindsImage());
    Write(out / "exe_image" / "program.elf", ElfProgram(pack));
    Write(out / "jpeg_image" / "colour.jpg", Jpeg(16, 12, 3, false));
    Write(out / "jpeg_image" / "grey.jpg", Jpeg(8, 8, 1, false));
    Write(out / "jpeg_image" / "progressive.jpg", Jpeg(16, 16, 3, true));
    const std::string anna = ResultsFile("anna", 0);
    const std::string ben = ResultsFile("ben", 2);
    Write(out / "results_file" / "whole.xls", AsBytes(anna));
    std::string bad = anna;
    bad.replace(bad.find("\tpos\t"), 5, "\tPOS\t");
    bad.insert(bad.rfind("anna"), "\r\nanna\t1\t2\r\n");
    Write(out / "results_file" / "bad.xls", AsBytes(bad));
    Write(out / "results_file" / "sealed.enc", Sealed(anna));
    Write(out / "results_file" / "two.xls", AsBytes(anna + "\f" + ben + "\f" + ben));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "talvex-fuzz-seeds: %s\n", e.what());
    return 1;
  }
}
