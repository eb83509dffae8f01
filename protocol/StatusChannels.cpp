#include "StatusChannels.h"

#include <cmath>
#include <limits>

#include "Language.h"
#include "StatusFormat.h"
#include "TextNumber.h"

namespace StatusChannels {
namespace {

// In the order of Channel.
constexpr Info kInfo[kCount] = {
    {"output_pwm", "pct", "输出PWM", "%"},  {"phase_current", "a", "相电流", "A"},
    {"position", "pulses", "转动位置", ""}, {"frequency", "hz", "换向频率", "Hz"},
    {"in1", "v", "IN1电压", "V"},           {"in2", "v", "IN2电压", "V"},
    {"in3", "v", "IN3电压", "V"},           {"diff", "v", "差分电压", "V"},
    {"sq1", "level", "SQ1电平", ""},        {"sq2", "level", "SQ2电平", ""},
    {"input_pwm", "pct", "输入PWM", "%"},   {"input_frequency", "hz", "输入频率", "Hz"},
    {"input", "pulses", "输入脉冲", ""},    {"completion_time", "s", "完成时间", "s"},
    {"speed", "rpm", "电机转速", "RPM"},    {"error", "state", "错误状态", ""},
    {"supply", "v", "输入电压", "V"},       {"temperature", "c", "内部温度", "℃"},
};

constexpr std::array<Channel, kCount> MakeAll()
{
    std::array<Channel, kCount> all{};
    for (size_t k = 0; k < kCount; ++k) all[k] = static_cast<Channel>(k);
    return all;
}
constexpr std::array<Channel, kCount> kAll = MakeAll();

constexpr std::array<Channel, kCount> kPanelOrder = {
    Channel::OutputPwm,      Channel::PhaseCurrent, Channel::Frequency, Channel::Position,
    Channel::CompletionTime, Channel::In1,          Channel::In2,       Channel::In3,
    Channel::Differential,   Channel::Sq1,          Channel::Sq2,       Channel::InputPwm,
    Channel::InputFrequency, Channel::InputPulses,  Channel::Speed,     Channel::ErrorState,
    Channel::Supply,         Channel::Temperature,
};

constexpr const char* kNoValue = "-";

// The panel counts the frequency in whole Hz once either x10 register is set.
bool FrequencyInWholeHz(const RealtimeStatus& s) { return s.speedDisplayX10 != 0 || s.speedRangeX10 != 0; }

}  // namespace

const Info& Describe(Channel channel) { return kInfo[Index(channel)]; }
const char* LocalizedLabel(Channel channel) { return Localized(Describe(channel).label); }
const std::array<Channel, kCount>& All() { return kAll; }

std::string ColumnName(Channel channel)
{
    const Info& info = Describe(channel);
    std::string name = info.key;
    if (*info.unit) name.append("_").append(info.unit);
    return name;
}

std::optional<Channel> Find(std::string_view name)
{
    for (Channel c : kAll) {
        if (name == ColumnName(c) || name == Describe(c).key) return c;
    }
    return std::nullopt;
}

std::optional<std::vector<Channel>> ParseList(std::string_view list, std::string& unknown)
{
    std::vector<Channel> channels;
    size_t begin = 0;
    while (true) {
        const size_t comma = list.find(',', begin);
        const std::string_view item = list.substr(begin, comma == std::string_view::npos ? list.npos : comma - begin);
        const std::optional<Channel> c = Find(item);
        if (!c) {
            unknown = item;
            return std::nullopt;
        }
        channels.push_back(*c);
        if (comma == std::string_view::npos) break;
        begin = comma + 1;
    }
    return channels;
}

std::optional<double> Value(Channel channel, const RealtimeStatus& s)
{
    switch (channel) {
    case Channel::OutputPwm: return s.outputPwm * 0.1;
    case Channel::PhaseCurrent: return s.phaseCurrent * 0.01;
    case Channel::Position: return static_cast<double>(s.position);
    case Channel::Frequency:
        return FrequencyInWholeHz(s) ? static_cast<double>(s.commutationFrequency) : s.commutationFrequency * 0.1;
    case Channel::In1: return s.in1Voltage * 0.001;
    case Channel::In2: return s.in2Voltage * 0.001;
    case Channel::In3: return s.in3Voltage * 0.001;
    case Channel::Differential: return s.differentialVoltage * 0.001;
    case Channel::Sq1: return s.sq1Level != 0 ? 1.0 : 0.0;
    case Channel::Sq2: return s.sq2Level != 0 ? 1.0 : 0.0;
    case Channel::InputPwm: return s.inputPwm * 0.1;
    case Channel::InputFrequency: return static_cast<double>(s.inputFrequency);
    case Channel::InputPulses: return static_cast<double>(s.inputPulses);
    case Channel::CompletionTime: return s.completionFlag != 0 ? 0.0 : s.completionTime * 0.001;
    case Channel::Speed:
        if (s.motorSpeed == 0xFFFF) return std::nullopt;
        return static_cast<double>(s.speedDisplayX10 != 0 ? s.motorSpeed * 10 : s.motorSpeed);
    case Channel::ErrorState: return static_cast<double>(s.errorState);
    case Channel::Supply:
        if (s.supplyVoltage == 0) return std::nullopt;
        return s.supplyVoltage * 0.1;
    case Channel::Temperature: return s.temperature * 0.1;
    }
    return std::nullopt;
}

int MaxDecimals(Channel channel)
{
    switch (channel) {
    case Channel::OutputPwm:
    case Channel::Frequency:
    case Channel::InputPwm:
    case Channel::CompletionTime:
    case Channel::Supply:
    case Channel::Temperature: return 1;
    case Channel::PhaseCurrent: return 2;
    case Channel::In1:
    case Channel::In2:
    case Channel::In3:
    case Channel::Differential: return 3;
    default: return 0;
    }
}

int Decimals(Channel channel, const RealtimeStatus& status)
{
    if (channel == Channel::Frequency && FrequencyInWholeHz(status)) return 0;
    return MaxDecimals(channel);
}

std::string ValueText(Channel channel, const RealtimeStatus& status)
{
    const std::optional<double> value = Value(channel, status);
    if (!value) return {};
    return TextNumber::Format("%.*f", Decimals(channel, status), *value);
}

const char* AsciiUnit(Channel channel)
{
    return channel == Channel::Temperature ? "degC" : Describe(channel).shownUnit;
}

int64_t Raw(Channel channel, const RealtimeStatus& s)
{
    switch (channel) {
    case Channel::OutputPwm: return s.outputPwm;
    case Channel::PhaseCurrent: return s.phaseCurrent;
    case Channel::Position: return s.position;
    case Channel::Frequency: return s.commutationFrequency;
    case Channel::In1: return s.in1Voltage;
    case Channel::In2: return s.in2Voltage;
    case Channel::In3: return s.in3Voltage;
    case Channel::Differential: return s.differentialVoltage;
    case Channel::Sq1: return s.sq1Level;
    case Channel::Sq2: return s.sq2Level;
    case Channel::InputPwm: return s.inputPwm;
    case Channel::InputFrequency: return s.inputFrequency;
    case Channel::InputPulses: return s.inputPulses;
    case Channel::CompletionTime: return s.completionTime;
    case Channel::Speed: return s.motorSpeed;
    case Channel::ErrorState: return s.errorState;
    case Channel::Supply: return s.supplyVoltage;
    case Channel::Temperature: return s.temperature;
    }
    return 0;
}

std::array<double, kCount> Values(const RealtimeStatus& status)
{
    std::array<double, kCount> values{};
    for (Channel c : kAll) values[Index(c)] = Value(c, status).value_or(std::numeric_limits<double>::quiet_NaN());
    return values;
}

const std::array<Channel, kCount>& PanelOrder() { return kPanelOrder; }

bool MotorRunning(const RealtimeStatus& s) { return s.outputPwm != 0 || s.commutationFrequency != 0; }

std::string ShownText(Channel channel, const RealtimeStatus& s)
{
    switch (channel) {
    case Channel::Sq1:
    case Channel::Sq2: return Localized(*Value(channel, s) != 0 ? "高" : "低");
    case Channel::ErrorState: return StatusFormat::ErrorStateText(s.errorState);
    case Channel::CompletionTime:
        if (s.completionFlag != 0) return "0.0s Done";
        break;
    case Channel::Supply:
        // With a current reading the panel shows it beside the voltage.
        if (s.supplyVoltage != 0 && s.supplyCurrent != 0)
            return TextNumber::Format("%.1fV (%.2fA)", s.supplyVoltage * 0.1, s.supplyCurrent * 0.01);
        break;
    case Channel::Temperature:
        if (s.temperature == 0) return "0";  // no reading: the panel leaves the unit out
        break;
    default: break;
    }
    const std::string digits = ValueText(channel, s);
    return digits.empty() ? std::string(kNoValue) : digits + Describe(channel).shownUnit;
}

}  // namespace StatusChannels
