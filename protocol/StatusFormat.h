#pragma once
// The display texts of the main window's live status, device information
// and frame lines, shared with zoric-cli so that both show the same words.
// Word texts ("高", "无", error states) come in the current language
// (Language.h); numbers and units are the same in both.

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceInfo.h"
#include "RealtimeStatus.h"

namespace StatusFormat {

// "%02X " per byte, the last one included: "01 03 00 20 ".
std::string FrameText(const std::vector<uint8_t>& frame);

// Register 51: "无", "未学习", ... "FOC超速"; "未知错误" for any other code;
// in the current language.
const char* ErrorStateText(uint16_t code);

struct RealtimeStatusTexts {
    std::string outputPwm;             // "输出PWM:"
    std::string phaseCurrent;          // "相电流:"
    std::string position;              // "转动位置:"
    std::string commutationFrequency;  // "换向频率:"
    std::string in1Voltage;            // "IN1电压:"
    std::string in2Voltage;            // "IN2电压:"
    std::string in3Voltage;            // "IN3电压:"
    std::string differentialVoltage;   // "差分电压:"
    std::string sq1Level;              // "SQ1电平:"
    std::string sq2Level;              // "SQ2电平:"
    std::string inputPwm;              // "输入PWM:"
    std::string inputFrequency;        // "输入频率:"
    std::string inputPulses;           // "输入脉冲:"
    std::string completionTime;        // "完成时间:"
    std::string motorSpeed;            // "电机转速:"
    std::string errorState;            // "错误状态:"
    std::string supply;                // "输入电压:"
    std::string temperature;           // "内部温度:"
};
RealtimeStatusTexts FormatRealtimeStatus(const RealtimeStatus& status);

struct DeviceInfoTexts {
    std::string identifier;         // "设备标识:"
    std::string version;            // "版本号:"
    std::string model;              // "设备型号:" (decoded from GBK)
    std::string pwmResolution;      // "PWM分辨率:"
    std::string pwmFrequency;       // "PWM频率:"
    std::string maxCurrent;         // "最大电流:"
    std::string currentResolution;  // "电流分辨率:"
};
DeviceInfoTexts FormatDeviceInfo(const DeviceInfo& info);

// The model text: cut at the first NUL and at 15 bytes, decoded from GBK.
std::string ModelText(const DeviceInfo& info);

}  // namespace StatusFormat
