#include "LinkFraming.h"

#include <cstring>

#include "Crc.h"
#include "MbapFrame.h"
#include "RtuFrame.h"

size_t CRtuFraming::Frame(const uint8_t* request, size_t length, uint8_t* out)
{
    std::memcpy(out, request, length);
    const uint16_t crc = ComputeCrc(out, length);
    out[length] = static_cast<uint8_t>(crc & 0xFF);
    out[length + 1] = static_cast<uint8_t>(crc >> 8);
    return length + 2;
}

bool CRtuFraming::AnswerReady(const uint8_t* received, size_t count, const uint8_t* frame, size_t) const
{
    return RtuFrame::IsComplete(received, count, frame[0]);
}

std::optional<ModbusResult> CRtuFraming::Answer(const uint8_t* received, size_t count, const uint8_t* frame,
                                                size_t frameLength, std::vector<uint8_t>& response) const
{
    if (!RtuFrame::IsComplete(received, count, frame[0])) return std::nullopt;
    const ModbusResult checked = RtuFrame::Check(received, count, frame[0], frame[1]);
    if (checked == kResultBadResponse) return checked;
    // An answer that does not fit the request (another register count,
    // another echo) is an earlier request's come late: a bad answer, never
    // this one's data.
    response.assign(received, received + count - 2);
    return RtuFrame::Judge(response.data(), response.size(), frame, frameLength - 2);
}

std::vector<FrameDecoder::Piece> CRtuFraming::Sort(const uint8_t* received, size_t count, const uint8_t* frame,
                                                   size_t frameLength) const
{
    auto pieces = FrameDecoder::SplitReceived(received, count, frame[0], frame[1]);
    // The answer of an earlier request (it does not fit this one) is shown
    // for what it is.
    for (auto& piece : pieces)
        if (piece.kind == FrameKind::Answer && RtuFrame::StaleAnswerLength(piece.bytes.data(), piece.bytes.size(),
                                                                           frame, frameLength) == piece.bytes.size())
            piece.kind = FrameKind::Late;
    return pieces;
}

size_t CMbapFraming::Frame(const uint8_t* request, size_t length, uint8_t* out)
{
    const std::vector<uint8_t> wrapped = MbapFrame::Wrap(++m_lastTransactionId, request, length);
    std::memcpy(out, wrapped.data(), wrapped.size());
    return wrapped.size();
}

bool CMbapFraming::AnswerReady(const uint8_t* received, size_t count, const uint8_t* frame, size_t) const
{
    return MbapFrame::Find(received, count, MbapFrame::TransactionId(frame)).found != MbapFrame::Found::Incomplete;
}

std::optional<ModbusResult> CMbapFraming::Answer(const uint8_t* received, size_t count, const uint8_t* frame,
                                                 size_t frameLength, std::vector<uint8_t>& response) const
{
    const MbapFrame::Match match = MbapFrame::Find(received, count, MbapFrame::TransactionId(frame));
    if (match.found != MbapFrame::Found::Answer) return std::nullopt;
    const uint8_t* unitPdu = received + match.offset + MbapFrame::kHeaderLength;
    response.assign(unitPdu, unitPdu + match.length - MbapFrame::kHeaderLength);
    return RtuFrame::Judge(response.data(), response.size(), frame + MbapFrame::kHeaderLength,
                           frameLength - MbapFrame::kHeaderLength);
}

size_t CMbapFraming::UnitOffset() const { return MbapFrame::kHeaderLength; }

std::vector<FrameDecoder::Piece> CMbapFraming::Sort(const uint8_t* received, size_t count, const uint8_t* frame,
                                                    size_t) const
{
    return FrameDecoder::SplitMbap(received, count, MbapFrame::TransactionId(frame), frame[MbapFrame::kHeaderLength]);
}
