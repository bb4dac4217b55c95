#pragma once

#include <cstdint>

// The pseudo-random generator of the noise texture: the C library's rand contract (values
// 0..32767, the same sequence in every run) with state that belongs to whoever draws from it.
// A render owns one and installs it for its thread with CRandom::Scope, so renders on
// different threads never share a sequence; outside a render each thread has its own.
class CRandom {
public:
    static constexpr int kMax = 32767;
    static constexpr std::uint32_t kSeed = 1;

    CRandom() = default;
    explicit CRandom(std::uint32_t seed) : m_state(seed) {}

    // The linear congruential step of the C standard's sample rand.
    int Next() {
        m_state = m_state * 1103515245u + 12345u;
        return static_cast<int>((m_state / 65536u) % 32768u);
    }

    // Moves on by that many draws at once, to where as many calls of Next would leave it, in
    // O(log n) steps: the step is an affine map modulo 2^32, and maps compose by squaring.
    void Skip(std::uint64_t draws) {
        std::uint32_t multiplier = 1103515245u;
        std::uint32_t increment = 12345u;
        for (; draws != 0; draws >>= 1) {
            if (draws & 1)
                m_state = m_state * multiplier + increment;
            increment = increment * multiplier + increment;
            multiplier = multiplier * multiplier;
        }
    }

    // The generator of the calling thread: the innermost Scope's, or the thread's own.
    static CRandom& Current();

    // Makes a generator the calling thread's current one for the scope's lifetime.
    class Scope {
    public:
        explicit Scope(CRandom& random);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CRandom* m_previous;
    };

private:
    std::uint32_t m_state = kSeed;
};
