#pragma once
// The live status (registers 32..58) as channels, the one description of
// its 18 values: per channel a stable ASCII column name (CSV headers,
// zoric-cli's --channels; never translated), the status panel's label, the
// value in the panel's scale with its digits and unit, and the panel's text.
// The status panel, zoric-cli's status, the recorder and the plot all read
// it, so that they agree digit for digit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "RealtimeStatus.h"

namespace StatusChannels {

enum class Channel : uint8_t {
    OutputPwm,
    PhaseCurrent,
    Position,
    Frequency,
    In1,
    In2,
    In3,
    Differential,
    Sq1,
    Sq2,
    InputPwm,
    InputFrequency,
    InputPulses,
    CompletionTime,
    Speed,
    ErrorState,
    Supply,
    Temperature,
};
constexpr size_t kCount = 18;

struct Info {
    const char* key;        // "output_pwm"
    const char* unit;       // "pct": ASCII, part of the column name; empty for none
    const char* label;      // "输出PWM": the panel's label, the Chinese source (see LocalizedLabel)
    const char* shownUnit;  // "%": the unit the windows show
};

const Info& Describe(Channel channel);
// The panel's label in the current language (Language.h).
const char* LocalizedLabel(Channel channel);
inline size_t Index(Channel channel) { return static_cast<size_t>(channel); }
const std::array<Channel, kCount>& All();

// "output_pwm_pct": key, then "_" and the unit when there is one.
std::string ColumnName(Channel channel);
// A column name or a bare key.
std::optional<Channel> Find(std::string_view name);
// "speed_rpm,phase_current_a": nullopt on the first unknown name, given in
// `unknown`; an empty list or an empty item is unknown too.
std::optional<std::vector<Channel>> ParseList(std::string_view list, std::string& unknown);

// The value in the panel's scale (levels 0/1, the error state as its code);
// nullopt where the panel shows no value (speed 0xFFFF, no supply reading).
std::optional<double> Value(Channel channel, const RealtimeStatus& status);
// The panel's digits without the unit; empty for no value.
std::string ValueText(Channel channel, const RealtimeStatus& status);
// The decimals the panel shows; the frequency's follow registers 53/54.
int Decimals(Channel channel, const RealtimeStatus& status);
// The most decimals the channel can show (for values kept as numbers).
int MaxDecimals(Channel channel);

// The panel's unit in ASCII, for machine-readable output ("degC" for "℃");
// empty for none.
const char* AsciiUnit(Channel channel);
// The registers behind a channel as the drive sent them, signed where the
// drive's value is (the speed's "no value" 0xFFFF included).
int64_t Raw(Channel channel, const RealtimeStatus& status);

// Every channel's value, NaN for no value.
std::array<double, kCount> Values(const RealtimeStatus& status);

// What the status panel shows for a channel, in the current language: the
// digits with the unit, or the panel's word ("高"/"低", the error's text,
// "-" for no value, "0.0s Done" once the move is complete).
std::string ShownText(Channel channel, const RealtimeStatus& status);
// The channels in the order the status panel and zoric-cli's status read.
const std::array<Channel, kCount>& PanelOrder();

// The motor turns (or is driven): an output PWM or a commutation frequency.
bool MotorRunning(const RealtimeStatus& status);

}  // namespace StatusChannels
