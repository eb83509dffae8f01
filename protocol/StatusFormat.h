#pragma once
// The display texts of the main window's device information and frame
// lines, and the error states, shared with zoric-cli so that both show the
// same words (the live status's: StatusChannels.h). Word texts come in the
// current language (Language.h); numbers and units are the same in both.

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceInfo.h"

namespace StatusFormat {

// "%02X " per byte, the last one included: "01 03 00 20 ".
std::string FrameText(const std::vector<uint8_t>& frame);

// Register 51: "无", "未学习", ... "FOC超速"; "未知错误" for any other code;
// in the current language.
const char* ErrorStateText(uint16_t code);

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
