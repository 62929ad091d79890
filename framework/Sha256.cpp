#include "framework/Sha256.h"

#include <cpuid.h>
#include <immintrin.h>

#include <cstring>

namespace {

const uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotate(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

uint32_t BigEndian(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void CompressPlain(uint32_t state[8], const uint8_t* data, size_t blocks) {
    for (; blocks; --blocks, data += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) w[i] = BigEndian(data + 4 * i);
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                                ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            const uint32_t t2 =
                (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

// The SHA extensions keep the state as two registers, ABEF and CDGH, and do
// two rounds per instruction; the message schedule has instructions too.
__attribute__((target("sha,sse4.1,ssse3"))) void CompressSha(uint32_t state[8], const uint8_t* data,
                                                             size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; blocks; --blocks, data += 64) {
        const __m128i abefBefore = abef, cdghBefore = cdgh;
        __m128i message[4];
        for (int i = 0; i < 4; ++i)
            message[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
        for (int group = 0; group < 16; ++group) {
            __m128i& current = message[group & 3];
            if (group >= 4) {
                // W[t..t+3] from W[t-16..t-1]: the four registers in turn.
                const __m128i& previous = message[(group - 1) & 3];
                const __m128i& before = message[(group - 2) & 3];
                __m128i next = _mm_sha256msg1_epu32(current, message[(group - 3) & 3]);
                next = _mm_add_epi32(next, _mm_alignr_epi8(previous, before, 4));
                current = _mm_sha256msg2_epu32(next, previous);
            }
            __m128i words = _mm_add_epi32(
                current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[4 * group])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
            words = _mm_shuffle_epi32(words, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, words);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), hgfe);
}

bool HasShaInstructions() {
    unsigned int a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = (c & bit_SSSE3) != 0, sse41 = (c & bit_SSE4_1) != 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return ssse3 && sse41 && (b & bit_SHA) != 0;
}

using Compress = void (*)(uint32_t*, const uint8_t*, size_t);

Compress ChosenCompress() {
    static const Compress chosen = HasShaInstructions() ? CompressSha : CompressPlain;
    return chosen;
}

} // namespace

CSha256::CSha256(Engine engine)
    : m_compress(engine == Engine::Plain ? CompressPlain : ChosenCompress()) {
    Reset();
}

void CSha256::Reset() {
    static const uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(m_state, kInitial, sizeof(m_state));
    m_filled = 0;
    m_length = 0;
}

void CSha256::Add(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    const Compress compress = m_compress;
    m_length += size;
    if (m_filled) {
        const size_t taken = size < 64 - m_filled ? size : 64 - m_filled;
        std::memcpy(m_block + m_filled, bytes, taken);
        m_filled += taken;
        bytes += taken;
        size -= taken;
        if (m_filled < 64) return;
        compress(m_state, m_block, 1);
        m_filled = 0;
    }
    if (size >= 64) {
        compress(m_state, bytes, size / 64);
        bytes += size / 64 * 64;
        size %= 64;
    }
    std::memcpy(m_block, bytes, size);
    m_filled = size;
}

CSha256::Digest CSha256::Finish() {
    const uint64_t bits = m_length * 8;
    const uint8_t one = 0x80;
    Add(&one, 1);
    const uint8_t zeros[64] = {};
    Add(zeros, m_filled <= 56 ? 56 - m_filled : 120 - m_filled);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Add(length, 8);
    Digest digest;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            digest[static_cast<size_t>(4 * i + j)] =
                static_cast<uint8_t>(m_state[i] >> (24 - 8 * j));
    Reset();
    return digest;
}

CSha256::Digest CSha256::Of(const void* data, size_t size) {
    CSha256 sha;
    sha.Add(data, size);
    return sha.Finish();
}

bool CSha256::UsesShaInstructions() { return ChosenCompress() == CompressSha; }

void DigestToHex(const CSha256::Digest& digest, char (&text)[65]) {
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    text[64] = '\0';
}
