#pragma once
// Reads frames for people: a one-line ASCII summary of a request or an
// answer, the hex text, and the sorting of received bytes into the good
// answer and the rest. Safe on any bytes.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FrameMonitor.h"

namespace FrameDecoder {

// "01 03 00 60 00 1C 44 1D"
std::string Hex(const uint8_t* bytes, size_t count);
inline std::string Hex(const std::vector<uint8_t>& bytes) { return Hex(bytes.data(), bytes.size()); }

// A Modbus TCP frame's header: "tid 7 len 6"; summaries of such frames
// begin with it.
std::string DescribeMbapHeader(const uint8_t* frame, size_t count);
// A request: "read 96..123 (28)", "write 119 = 1", "write 80..83 (4)",
// "SDO upload 6040:00", "device id code 1 object 0".
std::string DescribeRequest(const uint8_t* frame, size_t count);
// An answer to `request`: "28 registers", "echo 119 = 1",
// "SDO uploaded 6041:00 = 0x00000237", "exception 2 illegal data address".
std::string DescribeAnswer(const uint8_t* request, size_t requestCount, const uint8_t* frame, size_t count);
// What the line or the drive said: "ok", "timeout", "exception 2 illegal data address".
std::string ResultText(ModbusResult result);
const char* KindName(FrameKind kind);
// "TX" sent, "RX" received, "--" a time-out; heard while listening: "MA"
// from a master, "SL" from a slave (or not a frame).
const char* Direction(const CapturedFrame& frame);
std::string Describe(const CapturedFrame& frame);
// "HH:MM:SS.mmm TX s1 01 03 00 00 00 01 84 0A | read 0 (1)", with the
// result and round-trip after the answer: "| ok 12.3 ms". Local time.
std::string TraceLine(const CapturedFrame& frame);

struct Piece {
    FrameKind kind;
    std::vector<uint8_t> bytes;
};
// Sorts what arrived for a request to `slave` with `function` into noise,
// the answer (good, bad CRC or from another slave) and trailing bytes.
std::vector<Piece> SplitReceived(const uint8_t* bytes, size_t count, uint8_t slave, uint8_t function);
// The same for Modbus TCP: frames with another transaction id are late
// answers, the one with `transactionId` the answer (or a wrong slave's),
// and what follows it, or a header no answer has, the rest.
std::vector<Piece> SplitMbap(const uint8_t* bytes, size_t count, uint16_t transactionId, uint8_t slave);

// Per slave: what was asked and how it went.
struct SlaveCounters {
    uint64_t requests = 0;
    uint64_t answers = 0;
    uint64_t timeouts = 0;
    uint64_t crcErrors = 0;
    uint64_t exceptions = 0;
    uint64_t wrongSlave = 0;
    uint64_t late = 0;
    bool operator==(const SlaveCounters&) const = default;
};
class CCounters {
public:
    void Count(const CapturedFrame& frame);
    const std::map<uint8_t, SlaveCounters>& PerSlave() const { return m_slaves; }
    SlaveCounters Of(uint8_t slave) const;
    // "slave 1: requests 3 answers 2 timeouts 1 crc 0 exceptions 0 ..." one line each.
    std::string Text() const;

private:
    std::map<uint8_t, SlaveCounters> m_slaves;
};

}  // namespace FrameDecoder
