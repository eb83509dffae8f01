#pragma once
// How requests and answers are framed on a transport, as a Modbus backend
// frames them: the serial line's RTU frame (slave, PDU, CRC), also carried
// through a serial device server, or Modbus TCP's (an MBAP header with a
// transaction id, no CRC). A transport owns its framing; CModbusRtu frames,
// waits and judges through it without knowing which it is.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "FrameDecoder.h"
#include "ModbusResult.h"

class ILinkFraming {
public:
    virtual ~ILinkFraming() = default;

    // The request (slave, function, data) as it goes on the line, into
    // `out` (room for a whole frame: 256 bytes); returns its length. Each
    // call begins a new transaction.
    virtual size_t Frame(const uint8_t* request, size_t length, uint8_t* out) = 0;
    // `received` holds the whole answer to `frame` (as sent), or bytes that
    // can be judged bad at once: the transaction may stop waiting.
    virtual bool AnswerReady(const uint8_t* received, size_t count, const uint8_t* frame, size_t frameLength) const = 0;
    // The answer to `frame` in `received`: its result (0, the exception
    // code, or kResultBadResponse for one that does not fit the request),
    // with `response` holding it as slave, function, data; nullopt when no
    // whole answer is there.
    virtual std::optional<ModbusResult> Answer(const uint8_t* received, size_t count, const uint8_t* frame,
                                               size_t frameLength, std::vector<uint8_t>& response) const = 0;

    // For a frame monitor: Modbus TCP frames (a header, no CRC); where the
    // slave address (unit id) stands in a frame; and the received bytes
    // sorted into the answer and the rest.
    virtual bool Mbap() const = 0;
    virtual size_t UnitOffset() const = 0;
    virtual std::vector<FrameDecoder::Piece> Sort(const uint8_t* received, size_t count, const uint8_t* frame,
                                                  size_t frameLength) const = 0;
};

class CRtuFraming final : public ILinkFraming {
public:
    size_t Frame(const uint8_t* request, size_t length, uint8_t* out) override;
    bool AnswerReady(const uint8_t* received, size_t count, const uint8_t* frame, size_t frameLength) const override;
    std::optional<ModbusResult> Answer(const uint8_t* received, size_t count, const uint8_t* frame, size_t frameLength,
                                       std::vector<uint8_t>& response) const override;
    bool Mbap() const override { return false; }
    size_t UnitOffset() const override { return 0; }
    std::vector<FrameDecoder::Piece> Sort(const uint8_t* received, size_t count, const uint8_t* frame,
                                          size_t frameLength) const override;
};

class CMbapFraming final : public ILinkFraming {
public:
    size_t Frame(const uint8_t* request, size_t length, uint8_t* out) override;
    bool AnswerReady(const uint8_t* received, size_t count, const uint8_t* frame, size_t frameLength) const override;
    std::optional<ModbusResult> Answer(const uint8_t* received, size_t count, const uint8_t* frame, size_t frameLength,
                                       std::vector<uint8_t>& response) const override;
    bool Mbap() const override { return true; }
    size_t UnitOffset() const override;
    std::vector<FrameDecoder::Piece> Sort(const uint8_t* received, size_t count, const uint8_t* frame,
                                          size_t frameLength) const override;

private:
    uint16_t m_lastTransactionId = 0;  // under the master's transaction lock
};
