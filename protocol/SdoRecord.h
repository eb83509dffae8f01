#pragma once
#include <cstdint>

// One expedited SDO request or response as it lies in registers 0x0200..0x0205.
struct SdoRecord {
    uint16_t command = 0;  // command specifier in the low byte
    uint16_t index = 0;
    uint16_t subindex = 0;  // value in the low byte
    uint16_t reserved = 0;
    uint32_t data = 0;  // download value, upload value or abort code
};
static_assert(sizeof(SdoRecord) == 12);

// Command specifiers of the expedited transfers used over the tunnel.
namespace Sdo {
constexpr uint8_t kUpload = 0x40;
constexpr uint8_t kDownload1 = 0x2F;
constexpr uint8_t kDownload2 = 0x2B;
constexpr uint8_t kDownload3 = 0x27;
constexpr uint8_t kDownload4 = 0x23;
constexpr uint8_t kUploaded4 = 0x43;
constexpr uint8_t kUploaded3 = 0x47;
constexpr uint8_t kUploaded2 = 0x4B;
constexpr uint8_t kUploaded1 = 0x4F;
constexpr uint8_t kDownloaded = 0x60;
constexpr uint8_t kAbort = 0x80;
constexpr uint16_t kTunnelRegister = 0x0200;

// The server's command specifier of a response: the low byte of its register.
// Whatever a drive leaves in the high byte is not part of it.
constexpr uint8_t Specifier(const SdoRecord& response) { return static_cast<uint8_t>(response.command & 0xFFu); }
constexpr bool IsAbort(const SdoRecord& response) { return Specifier(response) == kAbort; }
// The bytes an upload answered with (4 when its specifier does not say).
constexpr int UploadedSize(const SdoRecord& response)
{
    switch (Specifier(response)) {
    case kUploaded1: return 1;
    case kUploaded2: return 2;
    case kUploaded3: return 3;
    default: return 4;
    }
}
// An upload's value, only its bytes.
constexpr uint32_t UploadedValue(const SdoRecord& response)
{
    const int size = UploadedSize(response);
    return size == 4 ? response.data : response.data & ((1u << (8 * size)) - 1);
}
// The download specifier of a value of 1 to 4 bytes.
constexpr uint8_t DownloadCommand(int size)
{
    constexpr uint8_t kCommands[] = {kDownload1, kDownload2, kDownload3, kDownload4};
    return kCommands[size - 1];
}
}  // namespace Sdo
