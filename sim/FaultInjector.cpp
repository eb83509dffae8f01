#include "FaultInjector.h"

#include <algorithm>

namespace zoric::sim {

CFaultInjector::CFaultInjector(const SimOptions& options) : m_random(options.randomSeed)
{
    for (std::size_t i = 0; i < kCount; ++i) {
        if (options.faultProbability[i] > 0) SetProbability(static_cast<SimFault>(i), options.faultProbability[i]);
        if (options.faultNext[i] > 0) Arm(static_cast<SimFault>(i), options.faultNext[i]);
    }
    for (const DriveFault& f : options.driveFaults) {
        if (f.next) Arm(f.fault, f.count, f.slave);
        else SetProbability(f.fault, f.probability, f.slave);
    }
}

void CFaultInjector::Arm(SimFault fault, unsigned nextAnswers, std::uint8_t slave)
{
    const auto i = static_cast<std::size_t>(fault);
    if (i < kCount) m_rules[slave].armed[i] = nextAnswers;
}

void CFaultInjector::SetProbability(SimFault fault, double probability, std::uint8_t slave)
{
    const auto i = static_cast<std::size_t>(fault);
    if (i < kCount) m_rules[slave].probability[i] = std::clamp(probability, 0.0, 1.0);
}

void CFaultInjector::Clear() { m_rules.clear(); }

std::optional<SimFault> CFaultInjector::TakeArmed(std::uint8_t key)
{
    const auto rules = m_rules.find(key);
    if (rules == m_rules.end()) return std::nullopt;
    for (std::size_t i = 0; i < kCount; ++i) {
        if (rules->second.armed[i] > 0) {
            --rules->second.armed[i];
            return static_cast<SimFault>(i);
        }
    }
    return std::nullopt;
}

double CFaultInjector::ProbabilityFor(std::uint8_t slave, std::size_t fault) const
{
    for (const std::uint8_t key : {slave, std::uint8_t{0}}) {
        const auto rules = m_rules.find(key);
        if (rules != m_rules.end() && rules->second.probability[fault]) return *rules->second.probability[fault];
    }
    return 0;
}

std::optional<SimFault> CFaultInjector::Next(std::uint8_t slave)
{
    if (slave != 0)
        if (const auto own = TakeArmed(slave)) return own;
    if (const auto line = TakeArmed(0)) return line;
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (std::size_t i = 0; i < kCount; ++i) {
        const double p = ProbabilityFor(slave, i);
        if (p > 0 && uniform(m_random) < p) return static_cast<SimFault>(i);
    }
    return std::nullopt;
}

}  // namespace zoric::sim
