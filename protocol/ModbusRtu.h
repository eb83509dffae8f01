#pragma once
// CModbusRtu: the generic Modbus link on one port. One transaction at a
// time (a recursive lock), one receive thread that assembles the response,
// and the four functions the drive is spoken to with. The port's name
// chooses the transport that carries and frames them (LinkTransport.h): a
// serial line, RTU frames over TCP, Modbus TCP, or a simulated drive.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AutoResetEvent.h"
#include "LinkTransport.h"
#include "ModbusResult.h"
#include "PortOpenError.h"

class IFrameMonitor;

class CModbusRtu {
public:
    static constexpr size_t kBufferSize = 256;
    static constexpr uint16_t kMaxWriteRegisters = 31;  // frame at most 71 bytes

    CModbusRtu();
    virtual ~CModbusRtu();
    CModbusRtu(const CModbusRtu&) = delete;
    CModbusRtu& operator=(const CModbusRtu&) = delete;

    // Function 0x03. Copies min(*length, byte count) data bytes as received
    // (high byte first) into dest and stores the number copied in *length.
    ModbusResult ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t count, uint8_t* dest, uint16_t* length);
    // Function 0x03 as `count` values in host order (the answer is judged to
    // carry exactly the registers asked for, so all of them are filled).
    ModbusResult ReadRegisters(uint8_t slave, uint16_t start, uint16_t count, uint16_t* values);
    // Function 0x06.
    ModbusResult WriteSingleRegister(uint8_t slave, uint16_t address, uint16_t value, uint16_t* echoAddress = nullptr,
                                     uint16_t* echoValue = nullptr);
    // Function 0x10; values in host order, at most 31 of them.
    ModbusResult WriteMultipleRegisters(uint8_t slave, uint16_t start, const uint16_t* values, uint16_t count,
                                        uint16_t* echoStart = nullptr, uint16_t* echoCount = nullptr);
    // Function 0x2B/0x0E. Copies the object block (from the more-follows byte
    // to the last object byte) into dest, at most *length bytes.
    ModbusResult ReadDeviceIdObjects(uint8_t slave, uint8_t code, uint8_t objectId, uint8_t* dest, uint16_t* length);

    // Opens COM<portNumber> (1..1024) with a mode text such as "9600,n,8,2".
    // A port that was lost is released first.
    bool OpenWithMode(uint32_t portNumber, const char* mode);
    // The same on a device named by path or "COMn", on a network port
    // ("tcp://HOST[:PORT]", "rtu+tcp://HOST:PORT"; the mode does not apply),
    // whose connect is given the response time-out, or on "sim://".
    bool OpenWithMode(const std::string& device, const char* mode);
    void ClosePort();
    bool IsPortOpen() const { return m_transport.load()->IsOpen(); }
    // Why the last open failed: reason None after a good one.
    PortOpenError LastOpenError() const;
    // The port of the last open as the caller named it ("COM3" for COM
    // number 3, a path as given).
    std::string PortName() const;

    // The line of the open port is gone (the device hung up: an adapter
    // unplugged, the simulator ended). Seen by the port's own threads the
    // moment it happens, without a transaction; every transaction from then
    // on fails at once with kResultPortNotOpen, the one in flight included.
    // Kept after ClosePort, until the next open.
    // A network port is lost when the far end closes the connection.
    bool IsPortLost() const { return m_transport.load()->IsLost(); }
    // Line errors (framing, parity, overrun, break) the serial port's driver
    // reported since this object was made; a network port has none.
    LineErrorCounts LineErrors() const;
    // Counts the losses, so that a watcher reports each loss once.
    uint32_t PortLossCount() const;
    void SetResponseTimeout(uint32_t ms) { m_timeoutMs = ms; }
    uint32_t ResponseTimeout() const { return m_timeoutMs; }

    // Calls of the four functions above by their result, since this object
    // was made: the figures of a long run (every code is below 256).
    uint64_t ResultCount(ModbusResult result) const
    {
        return result < m_resultCounts.size() ? m_resultCounts[result].load() : 0;
    }

    // The last request exactly as sent, CRC (or MBAP header) included.
    std::vector<uint8_t> GetLastRequest() const;
    // The bytes received since the last request began, valid frame or not.
    std::vector<uint8_t> GetLastResponse() const;

    // Shows every frame sent and received to `monitor` (nullptr: to nobody).
    // Waits for a transaction in flight, so a detached monitor is never
    // called again; without one the link pays a single atomic load.
    void SetFrameMonitor(IFrameMonitor* monitor);

    // Held for the whole of one transaction. Recursive, so an operation made
    // of several transactions (the SDO tunnel) can hold it across them.
    std::recursive_mutex& TransactionLock() { return m_transactionLock; }

protected:
    // Sends `request` (slave, function, data; framed by the transport) and waits for
    // the response. On 0, `response` holds the checked answer in the same
    // form: slave, function, data, without CRC or header.
    ModbusResult Transact(const uint8_t* request, size_t length, std::vector<uint8_t>& response);

private:
    bool OpenDevice(const std::string& name, const std::string& device, uint32_t portNumber, const char* mode);
    ModbusResult TransactOnce(const uint8_t* request, size_t length, std::vector<uint8_t>& response);
    ModbusResult Counted(ModbusResult result);
    void StopReceiveThread();
    void ReceiveLoop(ILinkTransport& transport);
    // Under m_bufferLock: takes what the transport holds into the buffer;
    // false when the line is gone.
    bool TakeInput(ILinkTransport& transport);
    // Frame capture (ModbusRtuMonitor.cpp).
    void ReportRequest(IFrameMonitor& monitor, const uint8_t* frame, size_t length, const ILinkFraming& framing,
                       const std::vector<uint8_t>& late, std::chrono::steady_clock::time_point lateAt);
    void ReportReceived(IFrameMonitor& monitor, const uint8_t* frame, size_t length, const ILinkFraming& framing,
                        ModbusResult result, std::chrono::steady_clock::time_point sentAt);
    // The receive thread found the line gone: says so and ends the wait of
    // the transaction in flight.
    void LoseLine();

    CAutoResetEvent m_responseEvent;
    std::thread m_receiveThread;
    // One transport of each kind the program has, made with this object
    // and kept for its life, so that the port's state (and the counts that
    // outlive a change of port) can be asked from any thread; the last
    // opened is m_transport.
    std::array<std::unique_ptr<ILinkTransport>, kPortKinds> m_transports;
    std::atomic<ILinkTransport*> m_transport{nullptr};
    std::atomic<uint32_t> m_timeoutMs{500};

    // Shared with the receive thread, always under m_bufferLock.
    mutable std::mutex m_bufferLock;
    uint8_t m_rxBuf[kBufferSize] = {};
    uint8_t m_txFrame[kBufferSize] = {};  // the request in flight, as sent
    int m_rxCount = 0;
    int m_txLength = 0;
    // Capture: when the first byte of m_rxBuf came, and how much of it a
    // monitor has already been shown (the rest arrived late).
    std::chrono::steady_clock::time_point m_rxFirstAt;
    int m_rxReported = 0;
    std::atomic<IFrameMonitor*> m_monitor{nullptr};

    // The last open's name and failure; written under the transaction lock,
    // read from any thread.
    mutable std::mutex m_openInfoLock;
    std::string m_portName;
    PortOpenError m_openError;

    std::array<std::atomic<uint64_t>, 256> m_resultCounts{};

    std::atomic<bool> m_stopReceive{false};
    std::recursive_mutex m_transactionLock;
};
