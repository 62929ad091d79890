#include "framework/FileDigest.h"

#include <wincrypt.h>

#include <vector>

namespace {

// The CryptoAPI provider and hash, released on every path (advapi32 is a
// KnownDLL; bcrypt is not, and the programs import nothing else).
class CSha256 {
public:
    CSha256() {
        if (CryptAcquireContextW(&m_provider, nullptr, nullptr, PROV_RSA_AES,
                                 CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
            CryptCreateHash(m_provider, CALG_SHA_256, 0, 0, &m_hash);
    }
    ~CSha256() {
        if (m_hash) CryptDestroyHash(m_hash);
        if (m_provider) CryptReleaseContext(m_provider, 0);
    }
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    bool Add(const BYTE* data, DWORD size) {
        return m_hash && CryptHashData(m_hash, data, size, 0);
    }
    bool Finish(std::array<BYTE, 32>& value) {
        DWORD size = static_cast<DWORD>(value.size());
        return m_hash && CryptGetHashParam(m_hash, HP_HASHVAL, value.data(), &size, 0) &&
               size == value.size();
    }

private:
    HCRYPTPROV m_provider = 0;
    HCRYPTHASH m_hash = 0;
};

} // namespace

bool DigestFile(HANDLE file, FileDigest& digest) {
    digest = FileDigest();
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    CSha256 sha;
    std::vector<BYTE> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0) break;
        if (!sha.Add(buffer.data(), read)) return false;
        digest.size += read;
    }
    return sha.Finish(digest.sha256);
}
