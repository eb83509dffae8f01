#include "FrameDecoder.h"

#include "HostSystem.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "Crc.h"

namespace FrameDecoder {

namespace {

constexpr uint16_t kTunnelFirst = 0x0200;
constexpr uint16_t kTunnelLast = 0x0205;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

std::string Format(const char* format, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Range(const char* verb, unsigned start, unsigned count)
{
    if (count == 1) return Format("%s %u (1)", verb, start);
    return Format("%s %u..%u (%u)", verb, start, start + count - 1, count);
}

const char* ExceptionName(unsigned code)
{
    switch (code) {
    case 1: return "illegal function";
    case 2: return "illegal data address";
    case 3: return "illegal data value";
    case 4: return "slave device failure";
    case 6: return "busy";
    case 0x40: return "not allowed now";
    case 0x60: return "motor not learned";
    default: return "unknown exception";
    }
}

// The tunnel record in registers 0x0200..0x0205: command, index, sub-index,
// reserved, then the data, upper word first.
std::string DescribeSdo(const uint8_t* words, size_t wordCount, bool fromDrive)
{
    if (wordCount < 3) return "SDO (short)";
    const unsigned command = words[1];
    const unsigned index = U16(words + 2);
    const unsigned sub = words[5];
    const uint32_t data = wordCount >= 6 ? static_cast<uint32_t>(U16(words + 8)) << 16 | U16(words + 10) : 0;
    if (command == 0x40) return Format("SDO upload %04X:%02X", index, sub);
    if (command == 0x80) return Format("SDO abort %04X:%02X code 0x%08" PRIX32, index, sub, data);
    if (command == 0x60) return Format("SDO downloaded %04X:%02X", index, sub);
    if ((command & 0xF3) == 0x23) return Format("SDO download %04X:%02X = 0x%08" PRIX32, index, sub, data);
    if ((command & 0xF3) == 0x43) return Format("SDO uploaded %04X:%02X = 0x%08" PRIX32, index, sub, data);
    return Format(fromDrive ? "SDO answer 0x%02X %04X:%02X" : "SDO command 0x%02X %04X:%02X", command, index, sub);
}

bool Covers(const uint8_t* buf, size_t count) { return count >= 4 && CheckFrame(buf[0], buf, count); }

}  // namespace

std::string Hex(const uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string DescribeRequest(const uint8_t* f, size_t n)
{
    if (n < 4) return "short frame";
    switch (f[1]) {
    case 0x03:
        if (n < 8) break;
        return Range("read", U16(f + 2), U16(f + 4));
    case 0x06:
        if (n < 8) break;
        return Format("write %u = %u", U16(f + 2), U16(f + 4));
    case 0x10: {
        if (n < 9) break;
        const unsigned start = U16(f + 2);
        const unsigned count = U16(f + 4);
        const size_t words = std::min<size_t>(f[6], n - 9) / 2;
        if (start == kTunnelFirst) return DescribeSdo(f + 7, std::min<size_t>(words, count), false);
        return Range("write", start, count);
    }
    case 0x2B:
        if (n < 7) break;
        return Format("device id code %u object %u", f[3], f[4]);
    default: return Format("function 0x%02X", f[1]);
    }
    return Format("function 0x%02X (short)", f[1]);
}

std::string DescribeAnswer(const uint8_t* req, size_t reqCount, const uint8_t* f, size_t n)
{
    if (n < 4) return "short frame";
    if (f[1] & 0x80) return Format("exception %u %s", f[2], ExceptionName(f[2]));
    switch (f[1]) {
    case 0x03: {
        const size_t bytes = std::min<size_t>(f[2], n - 5);
        if (reqCount >= 8 && req[1] == 0x03 && U16(req + 2) == kTunnelFirst &&
            U16(req + 4) <= kTunnelLast - kTunnelFirst + 1)
            return DescribeSdo(f + 3, bytes / 2, true);
        return Format("%zu registers", bytes / 2);
    }
    case 0x06:
        if (n < 8) break;
        return Format("echo %u = %u", U16(f + 2), U16(f + 4));
    case 0x10:
        if (n < 8) break;
        return Range("wrote", U16(f + 2), U16(f + 4));
    case 0x2B: return Format("device id %zu bytes", n - 2);
    default: return Format("function 0x%02X", f[1]);
    }
    return Format("function 0x%02X (short)", f[1]);
}

std::string ResultText(ModbusResult result)
{
    switch (result) {
    case kResultOk: return "ok";
    case kResultPortNotOpen: return "port not open";
    case kResultBadResponse: return "bad response";
    case kResultTimeout: return "timeout";
    case kResultTooLong: return "too long";
    default: return Format("exception %u %s", result, ExceptionName(result));
    }
}

const char* KindName(FrameKind kind)
{
    switch (kind) {
    case FrameKind::Request: return "request";
    case FrameKind::Answer: return "answer";
    case FrameKind::BadCrc: return "bad CRC";
    case FrameKind::Noise: return "noise";
    case FrameKind::Trailing: return "trailing bytes";
    case FrameKind::Late: return "late answer";
    case FrameKind::WrongSlave: return "wrong slave";
    case FrameKind::Timeout: return "timeout";
    }
    return "?";
}

const char* Direction(const CapturedFrame& frame)
{
    if (frame.kind == FrameKind::Timeout) return "--";
    if (frame.heard) return frame.kind == FrameKind::Request ? "MA" : "SL";
    return frame.kind == FrameKind::Request ? "TX" : "RX";
}

std::string DescribeMbapHeader(const uint8_t* f, size_t n)
{
    if (n < 6) return "short MBAP header";
    return Format("tid %u len %u", static_cast<unsigned>(U16(f)), static_cast<unsigned>(U16(f + 4)));
}

namespace {

// A Modbus TCP frame as the RTU summaries read it: unit id and PDU, with two
// bytes standing for the CRC they skip.
std::vector<uint8_t> AsRtu(const std::vector<uint8_t>& frame)
{
    if (frame.size() < 6) return {};
    std::vector<uint8_t> rtu(frame.begin() + 6, frame.end());
    rtu.push_back(0);
    rtu.push_back(0);
    return rtu;
}

}  // namespace

std::string Describe(const CapturedFrame& frame)
{
    if (frame.mbap && (frame.kind == FrameKind::Request || frame.kind == FrameKind::Answer ||
                       frame.kind == FrameKind::WrongSlave || frame.kind == FrameKind::Late)) {
        CapturedFrame rtu = frame;
        rtu.mbap = false;
        rtu.bytes = AsRtu(frame.bytes);
        rtu.request = AsRtu(frame.request);
        const std::string header = DescribeMbapHeader(frame.bytes.data(), frame.bytes.size());
        if (frame.kind == FrameKind::Late) return Format("late answer, %zu bytes, ", frame.bytes.size()) + header;
        if (rtu.bytes.empty()) return header;
        return header + ": " + Describe(rtu);
    }
    const uint8_t* b = frame.bytes.data();
    const size_t n = frame.bytes.size();
    switch (frame.kind) {
    case FrameKind::Request: return DescribeRequest(b, n);
    case FrameKind::Answer: return DescribeAnswer(frame.request.data(), frame.request.size(), b, n);
    case FrameKind::WrongSlave:
        return Format("wrong slave %u: ", n ? b[0] : 0u) +
               DescribeAnswer(frame.request.data(), frame.request.size(), b, n);
    case FrameKind::Late: return Format("late answer, %zu bytes", n);
    case FrameKind::Timeout: return frame.heard ? "no answer heard" : "timeout, no answer";
    default: return Format("%s, %zu bytes", KindName(frame.kind), n);
    }
}

std::vector<Piece> SplitMbap(const uint8_t* bytes, size_t count, uint16_t transactionId, uint8_t slave)
{
    std::vector<Piece> pieces;
    size_t at = 0;
    while (count - at >= 6) {
        const uint8_t* f = bytes + at;
        const size_t following = U16(f + 4);
        if (U16(f + 2) != 0 || following < 2 || following > 254 || count - at < 6 + following) break;
        FrameKind kind = FrameKind::Late;
        if (U16(f) == transactionId) kind = f[6] == slave ? FrameKind::Answer : FrameKind::WrongSlave;
        pieces.push_back({kind, std::vector<uint8_t>(f, f + 6 + following)});
        at += 6 + following;
        if (kind != FrameKind::Late) break;
    }
    if (at < count) {
        const bool answered = !pieces.empty() && pieces.back().kind != FrameKind::Late;
        pieces.push_back(
            {answered ? FrameKind::Trailing : FrameKind::Noise, std::vector<uint8_t>(bytes + at, bytes + count)});
    }
    return pieces;
}

std::string TraceLine(const CapturedFrame& frame)
{
    const auto wall = frame.wallTime;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count() % 1000;
    const std::tm local = HostSystem::LocalTime(seconds);
    const char* direction = Direction(frame);
    std::string line = Format("%02d:%02d:%02d.%03d %s s%u ", local.tm_hour, local.tm_min, local.tm_sec,
                              static_cast<int>(ms), direction, frame.slave);
    if (!frame.bytes.empty()) line += Hex(frame.bytes) + " ";
    line += "| " + Describe(frame);
    if (frame.kind == FrameKind::Answer || frame.kind == FrameKind::Timeout) line += " | " + ResultText(frame.result);
    if (frame.kind == FrameKind::Answer)
        line += Format(" %.1f ms", static_cast<double>(frame.roundTrip.count()) / 1000.0);
    return line;
}

std::vector<Piece> SplitReceived(const uint8_t* bytes, size_t count, uint8_t slave, uint8_t function)
{
    std::vector<Piece> pieces;
    if (count == 0) return pieces;
    auto isOurs = [&](const uint8_t* f) { return f[0] == slave && (f[1] & 0x7F) == function; };
    // The usual case: the whole buffer is the answer.
    if (Covers(bytes, count)) {
        pieces.push_back({isOurs(bytes) ? FrameKind::Answer : FrameKind::WrongSlave, {bytes, bytes + count}});
        return pieces;
    }
    // The first good frame anywhere in the bytes, the shortest at its start.
    for (size_t start = 0; start + 4 <= count; ++start) {
        uint8_t lo = 0, hi = 0;
        uint16_t crc = 0xFFFF;
        for (size_t end = start; end < count; ++end) {
            // CRC of bytes[start, end) against the two bytes that follow.
            if (end >= start + 2 && end + 2 <= count && bytes[end] == lo && bytes[end + 1] == hi) {
                const uint8_t* f = bytes + start;
                if (start) pieces.push_back({FrameKind::Noise, {bytes, f}});
                pieces.push_back({isOurs(f) ? FrameKind::Answer : FrameKind::WrongSlave, {f, bytes + end + 2}});
                if (end + 2 < count) pieces.push_back({FrameKind::Trailing, {bytes + end + 2, bytes + count}});
                return pieces;
            }
            crc ^= bytes[end];
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
            lo = static_cast<uint8_t>(crc & 0xFF);
            hi = static_cast<uint8_t>(crc >> 8);
        }
    }
    // No good frame: an answer with a spoiled CRC if it starts like one.
    const bool looksLikeAnswer = count >= 4 && isOurs(bytes);
    pieces.push_back({looksLikeAnswer ? FrameKind::BadCrc : FrameKind::Noise, {bytes, bytes + count}});
    return pieces;
}

void CCounters::Count(const CapturedFrame& frame)
{
    SlaveCounters& c = m_slaves[frame.slave];
    switch (frame.kind) {
    case FrameKind::Request: ++c.requests; break;
    case FrameKind::Answer: {
        ++c.answers;
        const size_t fn = frame.mbap ? 7 : 1;  // after the MBAP header and unit id, or the slave
        if (frame.bytes.size() > fn && (frame.bytes[fn] & 0x80)) ++c.exceptions;
        break;
    }
    case FrameKind::BadCrc: ++c.crcErrors; break;
    case FrameKind::Timeout: ++c.timeouts; break;
    case FrameKind::WrongSlave: ++c.wrongSlave; break;
    case FrameKind::Late: ++c.late; break;
    case FrameKind::Noise:
    case FrameKind::Trailing: break;
    }
}

SlaveCounters CCounters::Of(uint8_t slave) const
{
    const auto it = m_slaves.find(slave);
    return it == m_slaves.end() ? SlaveCounters{} : it->second;
}

std::string CCounters::Text() const
{
    std::string text;
    for (const auto& [slave, c] : m_slaves)
        text += Format("slave %u: requests %" PRIu64 " answers %" PRIu64 " timeouts %" PRIu64 " crc %" PRIu64
                       " exceptions %" PRIu64,
                       slave, c.requests, c.answers, c.timeouts, c.crcErrors, c.exceptions) +
                Format(" wrong-slave %" PRIu64 " late %" PRIu64 "\n", c.wrongSlave, c.late);
    return text;
}

}  // namespace FrameDecoder
