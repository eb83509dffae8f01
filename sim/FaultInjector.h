#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>

#include "SimOptions.h"

namespace zoric::sim {

// Decides which fault, if any, spoils the next answer of a drive. Faults
// are set for every drive on the line (slave 0) or for one drive alone.
// Faults armed for the next N answers come first (the drive's own, then the
// line's, each in the order of SimFault), then each fault's probability:
// the drive's own where it has one, else the line's. Not thread-safe; the
// simulator serialises access.
class CFaultInjector {
public:
    explicit CFaultInjector(const SimOptions& options);

    void Arm(SimFault fault, unsigned nextAnswers, std::uint8_t slave = 0);
    void SetProbability(SimFault fault, double probability, std::uint8_t slave = 0);
    void Clear();
    // The fault for the answer `slave` is about to send.
    std::optional<SimFault> Next(std::uint8_t slave);

private:
    static constexpr std::size_t kCount = static_cast<std::size_t>(SimFault::Count);
    struct Rules {
        std::array<unsigned, kCount> armed{};
        std::array<std::optional<double>, kCount> probability{};
    };
    std::optional<SimFault> TakeArmed(std::uint8_t key);
    double ProbabilityFor(std::uint8_t slave, std::size_t fault) const;

    // std::mt19937's numbers under a type of its own. A static Windows build
    // keeps one copy of a template's code; Qt's QRandomGenerator, compiled
    // to rely on the registers its own copy of std::mt19937 leaves alone
    // (GCC's inter-procedural register allocation), crashed on ours.
    using Engine = std::mersenne_twister_engine<unsigned long, 32, 624, 397, 31, 0x9908b0dfUL, 11, 0xffffffffUL, 7,
                                                0x9d2c5680UL, 15, 0xefc60000UL, 18, 1812433253UL>;

    std::map<std::uint8_t, Rules> m_rules;  // 0: every drive on the line
    Engine m_random;
};

}  // namespace zoric::sim
