#pragma once

#include <cstdint>

// The pseudo-random integers that scatter nozzle spin: 0 to 32767 from a
// fixed start, the same sequence on every run and every platform.
class RandomSequence {
public:
    static constexpr int kMax = 32767;

    int next()
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

    // Where the sequence stands, so that a saved scene goes on with it.
    std::uint32_t state() const { return m_state; }
    void setState(std::uint32_t state) { m_state = state; }

private:
    std::uint32_t m_state = 1;
};
