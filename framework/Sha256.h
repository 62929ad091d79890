// SHA-256 computed in the process: the processor's SHA instructions where it
// has them, plain code elsewhere. The system's providers need a DLL load
// (bcrypt is no KnownDLL) or, under Wine, hash at a tenth of the speed, and
// the distribution check hashes every file before the installation starts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class CSha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    // Plain: the code without the processor's SHA instructions, which the
    // tests check on machines that have them.
    enum class Engine { Best, Plain };
    explicit CSha256(Engine engine = Engine::Best);
    void Add(const void* data, size_t size);
    // The digest of everything added; the object then starts afresh.
    Digest Finish();

    static Digest Of(const void* data, size_t size);
    // Whether the processor's SHA instructions are used (for the tests).
    static bool UsesShaInstructions();

private:
    void Reset();
    void (*m_compress)(uint32_t*, const uint8_t*, size_t);
    uint32_t m_state[8];
    uint8_t m_block[64];
    size_t m_filled = 0;
    uint64_t m_length = 0; // bytes added
};

// Lower-case hexadecimal, as sha256sum prints it.
void DigestToHex(const CSha256::Digest& digest, char (&text)[65]);
