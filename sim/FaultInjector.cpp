#include "FaultInjector.h"

#include <algorithm>

namespace zoric::sim {

CFaultInjector::CFaultInjector(const SimOptions& options) : m_random(options.randomSeed)
{
    for (std::size_t i = 0; i < kCount; ++i)
    {
        m_probability[i] = std::clamp(options.faultProbability[i], 0.0, 1.0);
        m_armed[i] = options.faultNext[i];
    }
}

void CFaultInjector::Arm(SimFault fault, unsigned nextAnswers)
{
    const auto i = static_cast<std::size_t>(fault);
    if (i < kCount)
        m_armed[i] = nextAnswers;
}

void CFaultInjector::SetProbability(SimFault fault, double probability)
{
    const auto i = static_cast<std::size_t>(fault);
    if (i < kCount)
        m_probability[i] = std::clamp(probability, 0.0, 1.0);
}

void CFaultInjector::Clear()
{
    m_armed.fill(0);
    m_probability.fill(0);
}

std::optional<SimFault> CFaultInjector::Next()
{
    for (std::size_t i = 0; i < kCount; ++i) {
        if (m_armed[i] > 0) {
            --m_armed[i];
            return static_cast<SimFault>(i);
        }
    }
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (std::size_t i = 0; i < kCount; ++i)
        if (m_probability[i] > 0 && uniform(m_random) < m_probability[i])
            return static_cast<SimFault>(i);
    return std::nullopt;
}

}  // namespace zoric::sim
