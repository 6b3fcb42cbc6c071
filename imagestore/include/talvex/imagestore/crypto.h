#pragma once
// The stream cipher of the image set and of the sealed results file: an RC4 key derived from
// the MD5 digest of a pass phrase. The derivation lives here only; results sealing uses it too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::imagestore {

// Pass phrase of the embedded images (hashed as its 18 bytes, no terminator).
inline constexpr std::string_view kImagePassPhrase = "hq%7vR52@8x3;61wPm";

using CipherKey = std::array<uint8_t, 16>;

// The key: the whole 16-byte MD5 digest of the pass phrase's bytes, no salt (128-bit RC4).
CipherKey DeriveKey(std::string_view passPhrase);

// The key older providers derived: the digest's first 5 bytes followed by 11 zero bytes
// (a 40-bit key used as a 16-byte RC4 key). Only for reading files sealed that way.
CipherKey DeriveKey40(std::string_view passPhrase);

// The MD5 digest of the bytes as 32 lower-case hexadecimal digits: a fingerprint or check value
// of plain text, never a key.
std::string Md5Hex(std::string_view bytes);

// One continuous RC4 key stream; Apply enciphers and deciphers alike.
class StreamCipher {
 public:
  explicit StreamCipher(const CipherKey& key);
  // A raw RC4 key of 1 to 256 bytes.
  StreamCipher(const uint8_t* key, size_t keyLength);
  ~StreamCipher();
  StreamCipher(const StreamCipher&) = delete;
  StreamCipher& operator=(const StreamCipher&) = delete;
  void Apply(uint8_t* data, size_t length);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Deciphers a memory stream of an image in place, from its first byte to its last.
class TCrypto {
 public:
  void DecipherStream(std::vector<uint8_t>& stream) const;
};

}  // namespace talvex::imagestore
