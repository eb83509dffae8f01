#include "StatusFormat.h"

#include <cstring>
#include <iterator>

#include "Language.h"
#include "TextCodec.h"
#include "TextNumber.h"

namespace StatusFormat {
namespace {

using TextNumber::Format;

constexpr const char* kErrorTexts[] = {
    "无",
    "未学习",
    "堵转停止",
    "霍尔错误",
    "达不到目标速度",
    "线圈错误",
    "过流关断",
    "过热关断",
    "过压关断",
    "欠压关断",
    "短路/过流关断",
    "制动电流异常",
    "FOC超速",
};
constexpr const char* kUnknownError = "未知错误";
constexpr const char* kHigh = "高";
constexpr const char* kLow = "低";
constexpr const char* kNoValue = "-";

std::string Level(uint16_t value) { return Localized(value != 0 ? kHigh : kLow); }

}  // namespace

std::string FrameText(const std::vector<uint8_t>& frame) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(frame.size() * 3);
    for (uint8_t byte : frame) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
        text += ' ';
    }
    return text;
}

const char* ErrorStateText(uint16_t code) {
    return Localized(code < std::size(kErrorTexts) ? kErrorTexts[code] : kUnknownError);
}

RealtimeStatusTexts FormatRealtimeStatus(const RealtimeStatus& s) {
    RealtimeStatusTexts t;
    t.outputPwm = Format("%.1f%%", s.outputPwm * 0.1);
    t.phaseCurrent = Format("%.2fA", s.phaseCurrent * 0.01);
    t.position = Format("%ld", static_cast<long>(s.position));
    if (s.speedDisplayX10 == 0 && s.speedRangeX10 == 0) {
        t.commutationFrequency = Format("%.1fHz", s.commutationFrequency * 0.1);
    } else {
        t.commutationFrequency = Format("%dHz", static_cast<int>(s.commutationFrequency));
    }
    t.in1Voltage = Format("%.3fV", s.in1Voltage * 0.001);
    t.in2Voltage = Format("%.3fV", s.in2Voltage * 0.001);
    t.in3Voltage = Format("%.3fV", s.in3Voltage * 0.001);
    t.differentialVoltage = Format("%.3fV", s.differentialVoltage * 0.001);
    t.sq1Level = Level(s.sq1Level);
    t.sq2Level = Level(s.sq2Level);
    t.inputPwm = Format("%.1f%%", s.inputPwm * 0.1);
    t.inputFrequency = Format("%dHz", static_cast<int>(s.inputFrequency));
    t.inputPulses = Format("%ld", static_cast<long>(s.inputPulses));
    t.completionTime = s.completionFlag != 0 ? std::string("0.0s Done") : Format("%.1fs", s.completionTime * 0.001);
    if (s.motorSpeed == 0xFFFF) {
        t.motorSpeed = kNoValue;
    } else {
        const int rpm = s.speedDisplayX10 != 0 ? s.motorSpeed * 10 : s.motorSpeed;
        t.motorSpeed = Format("%dRPM", rpm);
    }
    t.errorState = ErrorStateText(s.errorState);
    if (s.supplyVoltage == 0) {
        t.supply = kNoValue;
    } else if (s.supplyCurrent != 0) {
        t.supply = Format("%.1fV (%.2fA)", s.supplyVoltage * 0.1, s.supplyCurrent * 0.01);
    } else {
        t.supply = Format("%.1fV", s.supplyVoltage * 0.1);
    }
    t.temperature = s.temperature == 0 ? std::string("0") : Format("%.1f℃", s.temperature * 0.1);
    return t;
}

std::string ModelText(const DeviceInfo& info) {
    // The 16th byte is never shown: a model filling all 16 shows 15.
    const size_t length = strnlen(info.model, DeviceInfo::kModelLength - 1);
    return GbkToUtf8(info.model, length);
}

DeviceInfoTexts FormatDeviceInfo(const DeviceInfo& info) {
    DeviceInfoTexts t;
    t.identifier = Format("0x%04X", static_cast<unsigned>(info.identifier));
    t.version = Format("%d.%02d", info.version >> 8, info.version & 0xFF);
    t.model = ModelText(info);
    t.pwmResolution = Format("1/%d", static_cast<int>(info.pwmResolution));
    t.pwmFrequency = Format("%.1fkHz", info.pwmFrequency * 0.001);
    t.maxCurrent = Format("%.1fA", info.maxCurrent * 0.01);
    t.currentResolution = Format("%dmA", static_cast<int>(info.currentResolution));
    return t;
}

}  // namespace StatusFormat
