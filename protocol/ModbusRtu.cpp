#include "ModbusRtu.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Crc.h"
#include "PortNames.h"
#include "RtuFrame.h"

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

uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

}  // namespace

CModbusRtu::CModbusRtu()
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CModbusRtu::~CModbusRtu()
{
    ClosePort();
    if (m_wakeFd >= 0) ::close(m_wakeFd);
}

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

bool CModbusRtu::OpenDevice(const std::string& name, const std::string& device, uint32_t portNumber,
                            const char* mode)
{
    // The descriptor of a lost line is dead: it must not keep the device
    // (and its name) from coming back.
    if (IsPortLost()) ClosePort();
    std::lock_guard<std::recursive_mutex> g(m_transactionLock);
    PortOpenError failure;
    failure.name = name;
    failure.device = device;
    failure.mode = mode ? mode : "";
    auto fail = [&](PortOpenReason reason, int error) {
        failure.reason = reason;
        failure.error = error;
        std::lock_guard<std::mutex> info(m_openInfoLock);
        m_openError = failure;
        return false;
    };
    if (IsPortOpen()) return fail(PortOpenReason::InUse, EBUSY);  // this object holds a port already
    if (device.empty()) return fail(PortOpenReason::NoDevice, ENOENT);
    m_port.m_portNumber = portNumber;
    m_port.m_portName = device;
    if (!m_port.Open()) {
        failure = m_port.LastOpenError();
        failure.name = name;
        failure.mode = mode ? mode : "";
        return fail(failure.reason, failure.error);
    }
    errno = 0;
    if (!m_port.ConfigureQueues() || !m_port.ApplyMode(mode)) {
        // A mode text that does not parse fails without an errno.
        const int error = errno != 0 ? errno : EINVAL;
        m_port.Close();
        return fail(PortOpenReason::SettingsNotSupported, error);
    }
    m_port.SetupQueues(100, 100);
    m_port.RaiseRts();
    m_port.Purge(true, false);

    if (m_wakeFd >= 0) {
        uint64_t drain;
        [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &drain, sizeof drain);
    }
    m_stopReceive = false;
    try {
        m_receiveThread = std::thread([this] { ReceiveLoop(); });
    } catch (...) {
        m_port.Close();
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
    if (m_wakeFd >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
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
    m_port.Close();
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
    m_port.MarkLost();
    std::lock_guard<std::mutex> g(m_bufferLock);
    m_responseEvent.Set();
}

void CModbusRtu::ReceiveLoop()
{
    const int fd = m_port.Handle();
    uint8_t local[kBufferSize];
    // Every failure of the descriptor below is final (a hung-up tty fails
    // each call at once): the thread says so and ends, so that nothing spins
    // on it. ClosePort joins it as before.
    while (!m_stopReceive.load()) {
        CommStatus status;
        if (!m_port.QueryStatus(status)) {
            LoseLine();
            return;
        }
        if (status.waiting == 0) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
            // Sleeps until input arrives or ClosePort wakes us: an idle port costs nothing.
            const int n = ::poll(fds, 2, -1);
            if ((n < 0 && errno != EINTR) || (n > 0 && cnComm::HungUp(fds[0].revents))) {
                LoseLine();
                return;
            }
            continue;
        }
        CommStatus again;
        if (!m_port.QueryStatus(again)) {
            LoseLine();
            return;
        }
        if (again.AnyError()) {
            // A line error spoils the frame being received: drop it.
            m_port.Purge(true, false);
            continue;
        }
        size_t want = std::min<size_t>(again.waiting ? again.waiting : status.waiting, kBufferSize);
        ssize_t got = ::read(fd, local, want);
        if (got < 0 && errno != EAGAIN && errno != EINTR) {
            LoseLine();
            return;
        }
        if (got > 0) {
            std::lock_guard<std::mutex> g(m_bufferLock);
            size_t room = kBufferSize - static_cast<size_t>(m_rxCount);
            size_t take = std::min(room, static_cast<size_t>(got));
            if (m_rxCount == 0) m_rxFirstAt = std::chrono::steady_clock::now();
            std::memcpy(m_rxBuf + m_rxCount, local, take);
            m_rxCount += static_cast<int>(take);
        }
        CommStatus after;
        if (m_port.QueryStatus(after) && after.waiting > 0) continue;  // more of the frame is here
        std::lock_guard<std::mutex> g(m_bufferLock);
        // Set under the buffer lock, so that a transaction resetting the
        // buffer cannot be woken by a late frame of the previous one.
        if (RtuFrame::IsComplete(m_rxBuf, static_cast<size_t>(m_rxCount), static_cast<uint8_t>(m_expectedSlave)))
            m_responseEvent.Set();
    }
}

ModbusResult CModbusRtu::Counted(ModbusResult result)
{
    if (result < m_resultCounts.size()) ++m_resultCounts[result];
    return result;
}

ModbusResult CModbusRtu::Transact(uint8_t slave, const uint8_t* request, size_t length,
                                  std::vector<uint8_t>& response)
{
    return Counted(TransactOnce(slave, request, length, response));
}

ModbusResult CModbusRtu::TransactOnce(uint8_t slave, const uint8_t* request, size_t length,
                                      std::vector<uint8_t>& response)
{
    std::lock_guard<std::recursive_mutex> g(m_transactionLock);
    if (!IsPortOpen()) return kResultPortNotOpen;  // closed while we waited for the lock
    uint8_t frame[kBufferSize];
    std::memcpy(frame, request, length);
    uint16_t crc = ComputeCrc(frame, length);
    frame[length] = static_cast<uint8_t>(crc & 0xFF);
    frame[length + 1] = static_cast<uint8_t>(crc >> 8);
    const size_t frameLength = length + 2;
    IFrameMonitor* const monitor = m_monitor.load(std::memory_order_acquire);
    std::vector<uint8_t> late;
    std::chrono::steady_clock::time_point lateAt;
    {
        std::lock_guard<std::mutex> b(m_bufferLock);
        if (monitor && m_rxCount > m_rxReported) {
            late.assign(m_rxBuf + m_rxReported, m_rxBuf + m_rxCount);
            lateAt = m_rxFirstAt;
        }
        m_responseEvent.Reset();
        m_rxCount = 0;
        m_rxReported = 0;
        m_expectedSlave = slave;
        std::memcpy(m_txFrame, frame, frameLength);
        m_txLength = static_cast<int>(frameLength);
    }
    // After the reset above: a loss found from here on wakes the wait below.
    if (IsPortLost()) return kResultPortNotOpen;

    CommStatus status;
    if (m_port.QueryStatus(status) && status.AnyError()) m_port.Purge(false, true);

    // One write; if the line is slow to take it, give it 20 ms, then go on
    // and wait for the answer anyway (no retries at this level).
    const int fd = m_port.Handle();
    size_t sent = 0;
    auto writeDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (sent < frameLength) {
        ssize_t n = ::write(fd, frame + sent, frameLength - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF) {
                LoseLine();
                return kResultPortNotOpen;
            }
            break;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(writeDeadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
    }

    const auto sentAt = monitor ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
    if (monitor) ReportRequest(*monitor, frame, frameLength, late, lateAt);

    if (!m_responseEvent.Wait(std::chrono::milliseconds(m_timeoutMs.load()))) {
        if (monitor) ReportReceived(*monitor, frame, frameLength, kResultTimeout, sentAt);
        return kResultTimeout;
    }

    {
        std::lock_guard<std::mutex> b(m_bufferLock);
        response.assign(m_rxBuf, m_rxBuf + m_rxCount);
    }
    // Woken by the loss of the line rather than by an answer that made it
    // before the loss: the port is gone.
    const ModbusResult result = IsPortLost() && !RtuFrame::IsComplete(response.data(), response.size(), slave)
                                    ? kResultPortNotOpen
                                    : RtuFrame::Check(response.data(), response.size(), slave, request[1]);
    if (monitor) ReportReceived(*monitor, frame, frameLength, result, sentAt);
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
    ModbusResult r = Transact(slave, req, sizeof req, resp);
    if (r != kResultOk) return r;
    // The byte count is taken as sent; only what the frame really holds is copied.
    size_t available = RtuFrame::ReadDataLength(resp.data(), resp.size());
    if (dest && length) {
        size_t n = std::min<size_t>(*length, available);
        std::memcpy(dest, resp.data() + 3, n);
        *length = static_cast<uint16_t>(n);
    }
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
    ModbusResult r = Transact(slave, req, sizeof req, resp);
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
    ModbusResult r = Transact(slave, req, 7 + 2u * count, resp);
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
    ModbusResult r = Transact(slave, req, sizeof req, resp);
    if (r != kResultOk) return r;
    if (dest && length) {
        // Header: slave, function, MEI type, code, conformity level; then the
        // object block up to the CRC.
        size_t block = resp.size() > 7 ? resp.size() - 7 : 0;
        size_t n = std::min<size_t>(*length, block);
        if (n) std::memcpy(dest, resp.data() + 5, n);
        *length = static_cast<uint16_t>(n);
    }
    return kResultOk;
}
