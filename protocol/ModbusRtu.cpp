#include "ModbusRtu.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "PortNames.h"

namespace {

constexpr uint8_t kFnReadHolding = 0x03;
constexpr uint8_t kFnWriteSingle = 0x06;
constexpr uint8_t kFnWriteMultiple = 0x10;
constexpr uint8_t kFnDeviceId = 0x2B;
constexpr uint8_t kMeiDeviceId = 0x0E;

void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

CModbusRtu::CModbusRtu()
{
    for (int kind = 0; kind < kPortKinds; ++kind)
        m_transports[static_cast<size_t>(kind)] = MakeTransport(PortKind(kind));
    m_transport = m_transports[static_cast<size_t>(PortKind::Serial)].get();
}

CModbusRtu::~CModbusRtu() { ClosePort(); }

bool CModbusRtu::OpenWithMode(uint32_t portNumber, const char* mode)
{
    const std::string name = "COM" + std::to_string(portNumber);
    if (portNumber == 0 || portNumber > 1024) return OpenDevice(name, std::string(), portNumber, mode);
    return OpenDevice(name, ComPortDevice(portNumber), portNumber, mode);
}

bool CModbusRtu::OpenWithMode(const std::string& device, const char* mode)
{
    return OpenDevice(device, device.empty() ? device : ResolvePortName(device), 0, mode);
}

PortOpenError CModbusRtu::LastOpenError() const
{
    std::lock_guard<std::mutex> g(m_openInfoLock);
    return m_openError;
}

std::string CModbusRtu::PortName() const
{
    std::lock_guard<std::mutex> g(m_openInfoLock);
    return m_portName;
}

LineErrorCounts CModbusRtu::LineErrors() const
{
    LineErrorCounts sum;
    for (const auto& transport : m_transports) {
        if (!transport) continue;
        const LineErrorCounts own = transport->LineErrors();
        sum.framing += own.framing;
        sum.parity += own.parity;
        sum.overrun += own.overrun;
        sum.breaks += own.breaks;
    }
    return sum;
}

uint32_t CModbusRtu::PortLossCount() const
{
    uint32_t sum = 0;
    for (const auto& transport : m_transports)
        if (transport) sum += transport->LossCount();
    return sum;
}

bool CModbusRtu::OpenDevice(const std::string& name, const std::string& device, uint32_t portNumber, const char* mode)
{
    // The descriptor of a lost line is dead: it must not keep the device
    // (and its name) from coming back.
    if (IsPortLost()) ClosePort();
    std::lock_guard<std::recursive_mutex> g(m_transactionLock);
    const PortKind kind = PortKindOf(name);
    PortOpenError failure;
    failure.name = name;
    failure.device = device;
    // Baud rate and parity are the far side's business on any other port.
    failure.mode = kind == PortKind::Serial && mode ? mode : "";
    auto fail = [&](PortOpenReason reason, int error) {
        failure.reason = reason;
        failure.error = error;
        std::lock_guard<std::mutex> info(m_openInfoLock);
        m_openError = failure;
        return false;
    };
    if (IsPortOpen()) return fail(PortOpenReason::InUse, EBUSY);  // this object holds a port already
    ILinkTransport* transport = m_transports[static_cast<size_t>(kind)].get();
    if (!transport) return fail(PortOpenReason::NoDevice, ENOENT);  // nothing in this program provides it
    PortAddress address;
    address.name = name;
    address.device = device;
    address.portNumber = portNumber;
    address.mode = failure.mode;
    address.timeoutMs = m_timeoutMs.load();
    if (!transport->Open(address, failure)) return fail(failure.reason, failure.error);
    m_transport.store(transport);
    {
        std::lock_guard<std::mutex> b(m_bufferLock);
        m_rxCount = 0;
        m_rxReported = 0;
    }
    m_stopReceive = false;
    try {
        m_receiveThread = std::thread([this, transport] { ReceiveLoop(*transport); });
    } catch (...) {
        transport->Close();
        return fail(PortOpenReason::Other, EAGAIN);
    }
    std::lock_guard<std::mutex> info(m_openInfoLock);
    m_openError = PortOpenError{};
    m_portName = name;
    return true;
}

void CModbusRtu::StopReceiveThread()
{
    if (!m_receiveThread.joinable()) return;
    m_stopReceive = true;
    m_transport.load()->Wake();
    m_receiveThread.join();
}

void CModbusRtu::ClosePort()
{
    if (!IsPortOpen()) return;
    // Wait for a transaction in flight (at most its time-out) so that no
    // caller writes to a descriptor that is being closed.
    std::lock_guard<std::recursive_mutex> g(m_transactionLock);
    if (!IsPortOpen()) return;
    StopReceiveThread();
    m_transport.load()->Close();
}

std::vector<uint8_t> CModbusRtu::GetLastRequest() const
{
    std::lock_guard<std::mutex> g(m_bufferLock);
    return std::vector<uint8_t>(m_txFrame, m_txFrame + m_txLength);
}

std::vector<uint8_t> CModbusRtu::GetLastResponse() const
{
    std::lock_guard<std::mutex> g(m_bufferLock);
    return std::vector<uint8_t>(m_rxBuf, m_rxBuf + m_rxCount);
}

void CModbusRtu::LoseLine()
{
    m_transport.load()->MarkLost();
    std::lock_guard<std::mutex> g(m_bufferLock);
    m_responseEvent.Set();
}

bool CModbusRtu::TakeInput(ILinkTransport& transport)
{
    // Bounded: a stream that never pauses must not hold the lock for ever.
    for (int round = 0; round < 64; ++round) {
        const size_t room = kBufferSize - static_cast<size_t>(m_rxCount);
        long got;
        if (room == 0) {
            // More than any answer can be: what does not fit is dropped, so
            // that the wait does not wake for it again and again.
            uint8_t spill[kBufferSize];
            got = transport.ReadAvailable(spill, sizeof spill);
        } else {
            got = transport.ReadAvailable(m_rxBuf + m_rxCount, room);
            if (got > 0) {
                if (m_rxCount == 0) m_rxFirstAt = std::chrono::steady_clock::now();
                m_rxCount += static_cast<int>(got);
            }
        }
        if (got < 0) return false;
        if (got == 0) return true;
    }
    return true;
}

void CModbusRtu::ReceiveLoop(ILinkTransport& transport)
{
    const ILinkFraming& framing = transport.Framing();
    // Every failure of the line is final: the thread says so and ends, so
    // that nothing spins on it. ClosePort joins it as before.
    while (!m_stopReceive.load()) {
        const ILinkTransport::Wait wait = transport.WaitForInput();
        if (wait == ILinkTransport::Wait::Lost) {
            LoseLine();
            return;
        }
        if (wait == ILinkTransport::Wait::Woken) continue;
        bool whole;
        {
            // Read under the buffer lock, so that a transaction resetting
            // the buffer never gets bytes read before the reset.
            std::lock_guard<std::mutex> g(m_bufferLock);
            whole = TakeInput(transport);
            // Set under the buffer lock, so that a transaction resetting the
            // buffer cannot be woken by a late frame of the previous one.
            if (m_txLength > 0 && framing.AnswerReady(m_rxBuf, static_cast<size_t>(m_rxCount), m_txFrame,
                                                      static_cast<size_t>(m_txLength)))
                m_responseEvent.Set();
        }
        if (!whole) {
            LoseLine();
            return;
        }
    }
}

ModbusResult CModbusRtu::Counted(ModbusResult result)
{
    if (result < m_resultCounts.size()) ++m_resultCounts[result];
    return result;
}

ModbusResult CModbusRtu::Transact(const uint8_t* request, size_t length, std::vector<uint8_t>& response)
{
    return Counted(TransactOnce(request, length, response));
}

ModbusResult CModbusRtu::TransactOnce(const uint8_t* request, size_t length, std::vector<uint8_t>& response)
{
    std::lock_guard<std::recursive_mutex> g(m_transactionLock);
    if (!IsPortOpen()) return kResultPortNotOpen;  // closed while we waited for the lock
    ILinkTransport& transport = *m_transport.load();
    ILinkFraming& framing = transport.Framing();
    uint8_t frame[kBufferSize];
    const size_t frameLength = framing.Frame(request, length, frame);
    IFrameMonitor* const monitor = m_monitor.load(std::memory_order_acquire);
    std::vector<uint8_t> late;
    std::chrono::steady_clock::time_point lateAt;
    bool whole;
    {
        std::lock_guard<std::mutex> b(m_bufferLock);
        // What is still in the input came after an earlier request had
        // ended: take it now, so that it is shown as late and never taken
        // for this request's answer.
        whole = TakeInput(transport);
        if (monitor && m_rxCount > m_rxReported) {
            late.assign(m_rxBuf + m_rxReported, m_rxBuf + m_rxCount);
            lateAt = m_rxFirstAt;
        }
        m_responseEvent.Reset();
        m_rxCount = 0;
        m_rxReported = 0;
        std::memcpy(m_txFrame, frame, frameLength);
        m_txLength = static_cast<int>(frameLength);
    }
    if (!whole) LoseLine();
    // After the reset above: a loss found from here on wakes the wait below.
    if (IsPortLost()) return kResultPortNotOpen;

    if (!transport.Send(frame, frameLength)) {
        LoseLine();
        return kResultPortNotOpen;
    }

    const auto sentAt = monitor ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
    if (monitor) ReportRequest(*monitor, frame, frameLength, framing, late, lateAt);

    if (!m_responseEvent.Wait(std::chrono::milliseconds(m_timeoutMs.load()))) {
        if (monitor) ReportReceived(*monitor, frame, frameLength, framing, kResultTimeout, sentAt);
        return kResultTimeout;
    }

    std::vector<uint8_t> received;
    {
        std::lock_guard<std::mutex> b(m_bufferLock);
        received.assign(m_rxBuf, m_rxBuf + m_rxCount);
    }
    // Woken by the loss of the line rather than by an answer that made it
    // before the loss: the port is gone.
    const std::optional<ModbusResult> answer =
        framing.Answer(received.data(), received.size(), frame, frameLength, response);
    const ModbusResult result = answer ? *answer : IsPortLost() ? kResultPortNotOpen : kResultBadResponse;
    if (monitor) ReportReceived(*monitor, frame, frameLength, framing, result, sentAt);
    return result;
}

ModbusResult CModbusRtu::ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t count, uint8_t* dest,
                                              uint16_t* length)
{
    if (!IsPortOpen()) return Counted(kResultPortNotOpen);
    uint8_t req[6] = {slave, kFnReadHolding};
    PutU16(req + 2, start);
    PutU16(req + 4, count);
    std::vector<uint8_t> resp;
    ModbusResult r = Transact(req, sizeof req, resp);
    if (r != kResultOk) return r;
    // Judged whole already: the byte count is the registers asked for.
    const size_t available = resp.size() - 3;
    if (dest && length) {
        size_t n = std::min<size_t>(*length, available);
        std::memcpy(dest, resp.data() + 3, n);
        *length = static_cast<uint16_t>(n);
    }
    return kResultOk;
}

ModbusResult CModbusRtu::ReadRegisters(uint8_t slave, uint16_t start, uint16_t count, uint16_t* values)
{
    if (!IsPortOpen()) return Counted(kResultPortNotOpen);
    if (!values || count == 0 || count > 125) return Counted(kResultTooLong);
    uint8_t req[6] = {slave, kFnReadHolding};
    PutU16(req + 2, start);
    PutU16(req + 4, count);
    std::vector<uint8_t> resp;
    const ModbusResult r = Transact(req, sizeof req, resp);
    if (r != kResultOk) return r;
    for (uint16_t i = 0; i < count; ++i) values[i] = GetU16(resp.data() + 3 + 2 * i);
    return kResultOk;
}

ModbusResult CModbusRtu::WriteSingleRegister(uint8_t slave, uint16_t address, uint16_t value, uint16_t* echoAddress,
                                             uint16_t* echoValue)
{
    if (!IsPortOpen()) return Counted(kResultPortNotOpen);
    uint8_t req[6] = {slave, kFnWriteSingle};
    PutU16(req + 2, address);
    PutU16(req + 4, value);
    std::vector<uint8_t> resp;
    ModbusResult r = Transact(req, sizeof req, resp);
    if (r != kResultOk) return r;
    if (echoAddress) *echoAddress = GetU16(resp.data() + 2);
    if (echoValue) *echoValue = GetU16(resp.data() + 4);
    return kResultOk;
}

ModbusResult CModbusRtu::WriteMultipleRegisters(uint8_t slave, uint16_t start, const uint16_t* values, uint16_t count,
                                                uint16_t* echoStart, uint16_t* echoCount)
{
    if (!IsPortOpen()) return Counted(kResultPortNotOpen);
    if (!values || count > kMaxWriteRegisters) return Counted(kResultTooLong);
    uint8_t req[7 + 2 * kMaxWriteRegisters] = {slave, kFnWriteMultiple};
    PutU16(req + 2, start);
    PutU16(req + 4, count);
    req[6] = static_cast<uint8_t>(2 * count);
    for (uint16_t i = 0; i < count; ++i) PutU16(req + 7 + 2 * i, values[i]);
    std::vector<uint8_t> resp;
    ModbusResult r = Transact(req, 7 + 2u * count, resp);
    if (r != kResultOk) return r;
    if (echoStart) *echoStart = GetU16(resp.data() + 2);
    if (echoCount) *echoCount = GetU16(resp.data() + 4);
    return kResultOk;
}

ModbusResult CModbusRtu::ReadDeviceIdObjects(uint8_t slave, uint8_t code, uint8_t objectId, uint8_t* dest,
                                             uint16_t* length)
{
    if (!IsPortOpen()) return Counted(kResultPortNotOpen);
    uint8_t req[5] = {slave, kFnDeviceId, kMeiDeviceId, code, objectId};
    std::vector<uint8_t> resp;
    ModbusResult r = Transact(req, sizeof req, resp);
    if (r != kResultOk) return r;
    if (dest && length) {
        // Header: slave, function, MEI type, code, conformity level; then the
        // object block to the end.
        size_t block = resp.size() > 5 ? resp.size() - 5 : 0;
        size_t n = std::min<size_t>(*length, block);
        if (n) std::memcpy(dest, resp.data() + 5, n);
        *length = static_cast<uint16_t>(n);
    }
    return kResultOk;
}
