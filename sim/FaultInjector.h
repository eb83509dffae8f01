#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <random>

#include "SimOptions.h"

namespace zoric::sim {

// Decides which fault, if any, spoils the next answer: faults armed for the
// next N answers come first (in the order of SimFault), then each fault's
// probability. Not thread-safe; the simulator serialises access.
class CFaultInjector
{
public:
    explicit CFaultInjector(const SimOptions& options);

    void Arm(SimFault fault, unsigned nextAnswers);
    void SetProbability(SimFault fault, double probability);
    void Clear();
    std::optional<SimFault> Next();

private:
    static constexpr std::size_t kCount = static_cast<std::size_t>(SimFault::Count);
    std::array<unsigned, kCount> m_armed{};
    std::array<double, kCount> m_probability{};
    std::mt19937 m_random;
};

}  // namespace zoric::sim
