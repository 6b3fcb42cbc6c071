// Windows only: Talvex's sealing and the platform's own CryptoAPI give the same bytes.

#include <windows.h>
// After windows.h, which it needs.
#include <gtest/gtest.h>
#include <wincrypt.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "scratch_folder.h"
#include "talvex/results/sealing.h"

namespace talvex::results {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

constexpr DWORD kBlock = 512;
constexpr DWORD kKeyBits = 128;

// Enciphers the bytes as the sealing recipe does it with CryptoAPI: the default full RSA
// provider without a key container, an MD5 hash of the pass phrase, an RC4 key derived from
// it with its 128-bit length asked for explicitly, and CryptEncrypt over 512-byte blocks with
// Final FALSE. Failures are reported through the test.
std::string SealWithCryptoApi(std::string bytes, const std::string& passPhrase) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  HCRYPTKEY key = 0;
  EXPECT_TRUE(CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
      << GetLastError();
  EXPECT_TRUE(CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) << GetLastError();
  EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>(passPhrase.data()),
                            static_cast<DWORD>(passPhrase.size()), 0))
      << GetLastError();
  // The key length in bits sits in the upper 16 bits of the flags.
  EXPECT_TRUE(CryptDeriveKey(provider, CALG_RC4, hash, kKeyBits << 16, &key)) << GetLastError();
  CryptDestroyHash(hash);
  for (size_t at = 0; key != 0 && at < bytes.size(); at += kBlock) {
    DWORD length = static_cast<DWORD>(std::min<size_t>(kBlock, bytes.size() - at));
    EXPECT_TRUE(
        CryptEncrypt(key, 0, FALSE, 0, reinterpret_cast<BYTE*>(bytes.data() + at), &length, length))
        << GetLastError();
  }
  if (key != 0) CryptDestroyKey(key);
  if (provider != 0) CryptReleaseContext(provider, 0);
  return bytes;
}

TEST(CryptoApi, SealedFilesAreByteIdenticalToThePlatformsOwn) {
  ScratchFolder folder;
  // Lengths below, at and across the block size, and a typical run's results file.
  for (const size_t length : {size_t{1}, size_t{511}, size_t{512}, size_t{1024}, size_t{5000}}) {
    std::string plain(length, '\0');
    for (size_t i = 0; i < length; ++i) plain[i] = static_cast<char>((i * 131 + 7) % 251);
    WriteBytes(folder / "r.xls", plain);
    std::filesystem::remove(folder / "r.enc");
    CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
    const std::string sealed = ReadBytes(folder / "r.enc");
    EXPECT_EQ(sealed.size(), length);
    EXPECT_EQ(sealed, SealWithCryptoApi(plain, std::string(kResultsPassPhrase))) << length;
  }
}

}  // namespace
}  // namespace talvex::results
