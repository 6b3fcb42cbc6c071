#include "talvex/imagestore/crypto.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "talvex/exception.h"

namespace talvex::imagestore {
namespace {

std::string Hex(const uint8_t* data, size_t length) {
  std::string text;
  char digits[3];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", data[i]);
    text += digits;
  }
  return text;
}

std::string Hex(const CipherKey& key) {
  return Hex(key.data(), key.size());
}

// The first bytes of the key stream: the encipherment of zero bytes.
std::string KeyStream(const CipherKey& key, size_t length) {
  std::vector<uint8_t> zeros(length, 0);
  StreamCipher cipher(key);
  cipher.Apply(zeros.data(), zeros.size());
  return Hex(zeros.data(), zeros.size());
}

TEST(CipherKey, Md5PublishedVectors) {
  EXPECT_EQ(Hex(DeriveKey("")), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex(DeriveKey("a")), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Hex(DeriveKey("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex(DeriveKey("message digest")), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Hex(DeriveKey("12345678901234567890123456789012345678901234567890123456789012345678901"
                          "234567890")),
            "57edf4a22be3c955ac49da2e2107b67a");
  // The same digest as hex text; every byte counts, a NUL too.
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex(std::string("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
}

TEST(CipherKey, WholeDigestOrFiveBytesOfItOfThePassPhraseWithoutTerminator) {
  EXPECT_EQ(Hex(DeriveKey("qorventil")), "7c98441a5d333746a1b62ec756cbb34c");
  EXPECT_EQ(Hex(DeriveKey(kImagePassPhrase)), "01a726ec4e38caddc70780acb463e57b");
  EXPECT_EQ(Hex(DeriveKey40("qorventil")), "7c98441a5d0000000000000000000000");
  EXPECT_NE(Hex(DeriveKey(std::string("qorventil", 10))), Hex(DeriveKey("qorventil")));
}

// RFC 6229 key 0x0102030405: key stream at offsets 0 and 16.
TEST(StreamCipher, Rc4PublishedVector) {
  const uint8_t key[5] = {1, 2, 3, 4, 5};
  std::vector<uint8_t> zeros(32, 0);
  StreamCipher cipher(key, sizeof key);
  cipher.Apply(zeros.data(), zeros.size());
  EXPECT_EQ(Hex(zeros.data(), 16), "b2396305f03dc027ccc3524a0a1118a8");
  EXPECT_EQ(Hex(zeros.data() + 16, 16), "6982944f18fc82d589c403a47a0d0919");
}

TEST(StreamCipher, KeyStreamsOfTheDerivedKeys) {
  EXPECT_EQ(KeyStream(DeriveKey("qorventil"), 32),
            "e6b71155f552d03d88025eda4a36f2b6d7925c12e420965b3253d1d8d82fda26");
  EXPECT_EQ(KeyStream(DeriveKey40("qorventil"), 32),
            "e6a8d070ef33251bfd50c25d08dcde8d75725965dba654d10b45f9a3bb6084d3");
}

TEST(StreamCipher, BlocksContinueOneStream) {
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
  std::vector<uint8_t> whole = data;
  StreamCipher(DeriveKey("qorventil")).Apply(whole.data(), whole.size());

  std::vector<uint8_t> pieces = data;
  StreamCipher cipher(DeriveKey("qorventil"));
  size_t offset = 0;
  for (size_t block : {0u, 1u, 63u, 64u, 255u, 617u}) {
    cipher.Apply(pieces.data() + offset, block);
    offset += block;
  }
  ASSERT_EQ(offset, data.size());
  EXPECT_EQ(pieces, whole);
  EXPECT_NE(whole, data);
}

TEST(StreamCipher, RejectsKeyLengthsRc4DoesNotHave) {
  const uint8_t key[1] = {0};
  EXPECT_THROW(StreamCipher(key, 0), Exception);
  std::vector<uint8_t> longKey(257, 1);
  EXPECT_THROW(StreamCipher(longKey.data(), longKey.size()), Exception);
}

// The image pass phrase's key stream, from its start at every call.
TEST(TCrypto, DecipherStreamStartsTheKeyStreamAfreshEachCall) {
  std::vector<uint8_t> stream(40, 0);
  TCrypto().DecipherStream(stream);
  EXPECT_EQ(stream.size(), 40u);
  EXPECT_EQ(Hex(stream.data(), 32),
            "a5535ce3836da4f6d184c2816e729840102b452303110a13f31b26e90e194a7d");
  TCrypto().DecipherStream(stream);
  EXPECT_EQ(stream, std::vector<uint8_t>(40, 0));
  std::vector<uint8_t> empty;
  TCrypto().DecipherStream(empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace talvex::imagestore
