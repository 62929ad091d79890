// The in-process SHA-256, with and without the processor's SHA instructions,
// against published digests and against the system's own (CryptoAPI) for
// lengths around every block boundary, fed whole and in uneven pieces.
#include "framework/Sha256.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Hex(const CSha256::Digest& digest) {
    char text[65];
    DigestToHex(digest, text);
    return text;
}

CSha256::Digest SystemDigest(const std::vector<uint8_t>& data, size_t length) {
    CSha256::Digest digest{};
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    DWORD size = static_cast<DWORD>(digest.size());
    EXPECT_TRUE(CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES,
                                     CRYPT_VERIFYCONTEXT | CRYPT_SILENT));
    EXPECT_TRUE(CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash));
    EXPECT_TRUE(CryptHashData(hash, data.data(), static_cast<DWORD>(length), 0));
    EXPECT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0));
    CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return digest;
}

const CSha256::Engine kEngines[] = {CSha256::Engine::Best, CSha256::Engine::Plain};

} // namespace

TEST(Sha256, PublishedDigests) {
    struct Vector {
        std::string message;
        const char* digest;
    };
    const Vector vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (CSha256::Engine engine : kEngines)
        for (const Vector& v : vectors) {
            CSha256 sha(engine);
            sha.Add(v.message.data(), v.message.size());
            EXPECT_EQ(Hex(sha.Finish()), v.digest) << v.message.size() << " bytes";
        }
    printf("this processor's SHA instructions are %s\n",
           CSha256::UsesShaInstructions() ? "used" : "absent: both runs took the plain code");
}

TEST(Sha256, AgreesWithTheSystemAtEveryBlockBoundary) {
    std::vector<uint8_t> data(70000);
    uint32_t seed = 12345;
    for (uint8_t& byte : data)
        byte = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    const size_t lengths[] = {1, 55, 56, 57, 63, 64, 65, 119, 120, 128, 1000, 65536, 69999};
    for (size_t length : lengths) {
        const CSha256::Digest expected = SystemDigest(data, length);
        for (CSha256::Engine engine : kEngines) {
            CSha256 whole(engine), pieces(engine);
            whole.Add(data.data(), length);
            for (size_t at = 0, step = 1; at < length; at += step, step = step * 3 + 1)
                pieces.Add(data.data() + at, std::min(step, length - at));
            EXPECT_EQ(Hex(whole.Finish()), Hex(expected)) << length;
            EXPECT_EQ(Hex(pieces.Finish()), Hex(expected)) << length << " in pieces";
        }
    }
}
