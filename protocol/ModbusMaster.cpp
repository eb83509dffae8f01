#include "ModbusMaster.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "Language.h"
#include "TextCodec.h"

CModbusMaster::CModbusMaster() { SetResponseTimeout(kResponseTimeoutMs); }

CModbusMaster::~CModbusMaster() = default;

std::string CModbusMaster::ModeText(int baud, int parityIndex)
{
    char parity = 'n';
    char stop = '1';
    switch (parityIndex) {
    case 0:
        parity = 'n';
        stop = '2';
        break;
    case 1: parity = 'o'; break;
    case 2: parity = 'e'; break;
    default: break;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%d,%c,%d,%c", baud, parity, 8, stop);
    return text;
}

bool CModbusMaster::OpenPort(uint32_t portNumber, int baud, int parityIndex)
{
    return OpenWithMode(portNumber, ModeText(baud, parityIndex).c_str());
}

bool CModbusMaster::OpenPort(const std::string& portName, int baud, int parityIndex)
{
    return OpenWithMode(portName, ModeText(baud, parityIndex).c_str());
}

namespace {

// The source text of a result; nullptr for a code without one.
const char* ResultSourceText(ModbusResult result)
{
    switch (result) {
    case 0: return "操作成功";
    case 1: return "非法功能号";
    case 2: return "非法寄存器地址";
    case 3: return "非法数据值";
    case 4: return "操作失败";
    case 5: return "请求已被确认";
    case 6: return "设备忙";
    case 8: return "奇偶检验错误";
    case 0x0A: return "网关路径不可用";
    case 0x0B: return "网关目标设备响应失败";
    case 0x40: return "不允许操作";
    case 0x60: return "请先对电机进行学习";
    case 128: return "串口未打开";
    case 129: return "应答错误";
    case 130: return "通讯超时";
    case 131: return "要发送的数据过长";
    default: break;
    }
    return nullptr;
}

struct AbortRow {
    uint32_t code;
    const char* text;
};

const AbortRow kAbortTexts[] = {
    {0x05030000, "触发位没有交替改变"},
    {0x05040000, "SDO协议超时"},
    {0x05040001, "非法或未知的Client/Server命令字"},
    {0x05040002, "无效的块大小（仅Block Transfer模式）"},
    {0x05040003, "无效的序号（仅Block Transfer模式）"},
    {0x05040004, "CRC错误（仅Block Transfer模式）"},
    {0x05040005, "内存溢出"},
    {0x06010000, "对象不支持访问"},
    {0x06010001, "试图读只写对象"},
    {0x06010002, "试图写只读对象"},
    {0x06020000, "对象字典中对象不存在"},
    {0x06040041, "对象不能够映射到PDO"},
    {0x06040042, "映射的对象的数目和长度超出PDO长度"},
    {0x06040043, "一般性参数不兼容"},
    {0x06040047, "一般性设备内部不兼容"},
    {0x06060000, "硬件错误导致对象访问失败"},
    {0x06070010, "数据类型不匹配，服务参数长度不匹配"},
    {0x06070012, "数据类型不匹配，服务参数长度太大"},
    {0x06070013, "数据类型不匹配，服务参数长度太短"},
    {0x06090011, "子索引不存在"},
    {0x06090030, "超出参数的值范围(写访问时)"},
    {0x06090031, "写入参数数值太大"},
    {0x06090032, "写入参数数值太小"},
    {0x06090036, "最大值小于最小值"},
    {0x08000000, "一般性错误"},
    {0x08000020, "数据不能传送或保存到应用"},
    {0x08000021, "由于本地控制导致数据不能传送或保存到应用"},
    {0x08000022, "由于当前设备状态导致数据不能传送或保存到应用"},
    {0x08000023, "对象字典动态产生错误或对象字典不存在"},
};

const char* IdentificationObjectName(uint8_t id)
{
    static const char* const kNames[] = {"公司名称", "产品代码", "主要修订版本", "供应商网址",
                                         "产品名称", "模式名称", "用户应用名称"};
    return id < 7 ? kNames[id] : "扩展描述";
}

}  // namespace

std::string CModbusMaster::ResultText(ModbusResult result)
{
    if (const char* text = ResultSourceText(result)) return Localized(text);
    char text[64];
    std::snprintf(text, sizeof text, Localized("未定义错误(%02X)"), result);
    return text;
}

std::string CModbusMaster::SdoAbortText(uint32_t abortCode)
{
    char text[160];
    for (const AbortRow& row : kAbortTexts) {
        if (row.code == abortCode) {
            std::snprintf(text, sizeof text, "%s (0x%08X)", Localized(row.text), abortCode);
            return text;
        }
    }
    std::snprintf(text, sizeof text, Localized("未定义终止码(0x%08X)"), abortCode);
    return text;
}

void CModbusMaster::SwapBytes16(void* buffer, size_t length)
{
    auto* p = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i + 1 < length; i += 2) std::swap(p[i], p[i + 1]);
}

void CModbusMaster::SwapWords32(void* buffer, size_t length)
{
    auto* p = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i + 3 < length; i += 4) {
        std::swap(p[i], p[i + 2]);
        std::swap(p[i + 1], p[i + 3]);
    }
}

void CModbusMaster::AppendIdentificationObjects(const uint8_t* block, size_t length, std::string& text)
{
    size_t offset = 3;
    while (length > 3 && offset + 2 <= length) {
        uint8_t id = block[offset];
        size_t valueLength = block[offset + 1];
        if (offset + 2 + valueLength > length) break;  // runs past the block
        const char* value = reinterpret_cast<const char*>(block + offset + 2);
        if (!text.empty()) text += "\r\n";
        // The Chinese names take the value right after the colon; English
        // reads with a blank between.
        const Language language = CurrentLanguage();
        text += Localized(IdentificationObjectName(id), language);
        text += language == Language::English ? ": " : ":";
        text += GbkToUtf8(value, strnlen(value, valueLength));
        offset += valueLength + 2;
    }
}

ModbusResult CModbusMaster::ReadDeviceIdentification(uint8_t slave, std::string& text)
{
    std::string result;
    uint8_t objectId = 0;
    // A drive that keeps announcing more objects, or points back at objects
    // already read, would keep us here for ever: stop after a bounded number
    // of requests and report it as a bad response.
    for (int request = 0; request < kMaxIdentificationRequests; ++request) {
        uint8_t block[256];
        uint16_t length = 255;
        ModbusResult r = ReadDeviceIdObjects(slave, 1, objectId, block, &length);
        if (r != kResultOk) return r;
        AppendIdentificationObjects(block, length, result);
        if (length < 2 || block[0] != 0xFF) {
            text = result;
            return kResultOk;
        }
        uint8_t next = block[1];
        if (next <= objectId) break;  // does not advance
        objectId = next;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return kResultBadResponse;
}

ModbusResult CModbusMaster::SdoTransfer(uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex, uint32_t data,
                                        SdoRecord& response)
{
    SdoRecord request;
    request.command = command;
    request.index = index;
    request.subindex = subindex;
    request.reserved = 0;
    request.data = data;
    uint16_t words[6];
    std::memcpy(words, &request, sizeof words);
    SwapWords32(&words[4], 4);

    // The drive answers in the same registers: keep other threads' requests
    // out from between our write and our read, or they could read our answer.
    std::lock_guard<std::recursive_mutex> g(TransactionLock());
    ModbusResult r = WriteMultipleRegisters(slave, Sdo::kTunnelRegister, words, 6);
    if (r != kResultOk) return r;
    uint8_t buffer[12];
    uint16_t length = sizeof buffer;
    r = ReadHoldingRegisters(slave, Sdo::kTunnelRegister, 6, buffer, &length);
    if (r != kResultOk) return r;
    if (length < sizeof buffer) std::memset(buffer + length, 0, sizeof buffer - length);
    SwapBytes16(buffer, sizeof buffer);
    SwapWords32(buffer + 8, 4);
    std::memcpy(&response, buffer, sizeof response);
    return kResultOk;
}
