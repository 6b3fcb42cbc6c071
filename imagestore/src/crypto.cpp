#include "talvex/imagestore/crypto.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

#include <algorithm>
#include <string>

#include "talvex/exception.h"

namespace talvex::imagestore {

namespace {

CipherKey Md5Digest(std::string_view passPhrase) {
  md5_ctx context;
  md5_init(&context);
  md5_update(&context, passPhrase.size(), reinterpret_cast<const uint8_t*>(passPhrase.data()));
  CipherKey digest{};
  md5_digest(&context, digest.size(), digest.data());
  return digest;
}

}  // namespace

CipherKey DeriveKey(std::string_view passPhrase) {
  return Md5Digest(passPhrase);
}

CipherKey DeriveKey40(std::string_view passPhrase) {
  CipherKey key = Md5Digest(passPhrase);
  std::fill(key.begin() + 5, key.end(), uint8_t{0});
  return key;
}

std::string Md5Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const uint8_t byte : Md5Digest(bytes)) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

struct StreamCipher::State {
  arcfour_ctx context;
};

StreamCipher::StreamCipher(const CipherKey& key) : StreamCipher(key.data(), key.size()) {}

StreamCipher::StreamCipher(const uint8_t* key, size_t keyLength)
    : state_(std::make_unique<State>()) {
  if (keyLength < ARCFOUR_MIN_KEY_SIZE || keyLength > ARCFOUR_MAX_KEY_SIZE) {
    throw Exception("RC4 key length " + std::to_string(keyLength) + " outside 1 to 256 bytes");
  }
  arcfour_set_key(&state_->context, keyLength, key);
}

StreamCipher::~StreamCipher() = default;

void StreamCipher::Apply(uint8_t* data, size_t length) {
  if (length == 0) return;
  arcfour_crypt(&state_->context, length, data, data);
}

void TCrypto::DecipherStream(std::vector<uint8_t>& stream) const {
  // The key stream starts afresh for every stream: nothing carries over between images.
  StreamCipher cipher(DeriveKey(kImagePassPhrase));
  cipher.Apply(stream.data(), stream.size());
}

}  // namespace talvex::imagestore
