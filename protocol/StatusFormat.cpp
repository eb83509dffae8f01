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
    "无",       "未学习",   "堵转停止", "霍尔错误",      "达不到目标速度", "线圈错误", "过流关断",
    "过热关断", "过压关断", "欠压关断", "短路/过流关断", "制动电流异常",   "FOC超速",
};
constexpr const char* kUnknownError = "未知错误";

}  // namespace

std::string FrameText(const std::vector<uint8_t>& frame)
{
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

const char* ErrorStateText(uint16_t code)
{
    return Localized(code < std::size(kErrorTexts) ? kErrorTexts[code] : kUnknownError);
}

std::string ModelText(const DeviceInfo& info)
{
    // The 16th byte is never shown: a model filling all 16 shows 15.
    const size_t length = strnlen(info.model, DeviceInfo::kModelLength - 1);
    return GbkToUtf8(info.model, length);
}

DeviceInfoTexts FormatDeviceInfo(const DeviceInfo& info)
{
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
