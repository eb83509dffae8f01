#pragma once
// Listen-only: the frames other masters and slaves put on the line, read
// from a port this tool opens without ever sending. CLineFrameSplitter cuts
// the received bytes into frames (by their CRC, and by the silence after
// them) and tells requests from answers by what was asked last; CLineListener
// runs it on a serial port and shows each frame to an IFrameMonitor, marked
// as heard. Qt-free.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FrameMonitor.h"
#include "PortOpenError.h"
#include "cnComm.h"

class CLineFrameSplitter {
public:
    using Clock = CapturedFrame::Clock;
    using Sink = std::function<void(const CapturedFrame&)>;

    // `silence`: the gap that ends a frame on the line (3.5 characters);
    // `patience`: how long a piece that could still be the start of a frame
    // waits for the rest (adapters deliver a frame in chunks).
    CLineFrameSplitter(Sink sink, std::chrono::microseconds silence, std::chrono::microseconds patience);

    // The silence and patience for a baud rate (at least 2 ms and 20 ms: the
    // time stamps of a desktop OS are no finer).
    static std::chrono::microseconds SilenceFor(int baud);
    static std::chrono::microseconds PatienceFor(int baud);

    void Feed(const uint8_t* bytes, size_t count, Clock::time_point at);
    // Called when nothing came for a while: ends what the silence ends.
    void Idle(Clock::time_point now);
    // The port closes: everything still held goes out.
    void Finish();
    bool Holding() const { return !m_pending.empty(); }

private:
    void Parse(bool atSilence, Clock::time_point now);
    // A frame of `length` at the start of m_pending, classified and shown.
    void Emit(size_t length);
    void EmitStray(size_t length, FrameKind kind);
    CapturedFrame MakeFrame(size_t length, FrameKind kind) const;
    void Drop(size_t length, Clock::time_point first);
    // Nothing answered the pending request before the next one: a marker.
    void EndPendingRequest(Clock::time_point at);

    Sink m_sink;
    std::chrono::microseconds m_silence;
    std::chrono::microseconds m_patience;
    std::vector<uint8_t> m_pending;
    std::vector<Clock::time_point> m_arrival;  // per byte of m_pending
    std::chrono::system_clock::time_point m_wallOfFirst;
    Clock::time_point m_lastByte{};
    std::vector<uint8_t> m_lastRequest;  // the request no answer was heard for yet
    Clock::time_point m_lastRequestAt{};
};

class CLineListener {
public:
    CLineListener();
    ~CLineListener();
    CLineListener(const CLineListener&) = delete;
    CLineListener& operator=(const CLineListener&) = delete;

    // Opens `portName` ("COM3" or a device path) with `mode` ("9600,n,8,2")
    // for reading only and shows every frame to `monitor` from the listening
    // thread until Stop. False with LastOpenError() when the port does not open.
    bool Start(const std::string& portName, const char* mode, IFrameMonitor& monitor);
    void Stop();
    bool IsListening() const { return m_port.IsOpen(); }
    // The line went away while listening (the adapter was unplugged).
    bool IsLost() const { return m_port.IsLost(); }
    const PortOpenError& LastOpenError() const { return m_openError; }
    LineErrorCounts LineErrors() const;

private:
    void ReadLoop(CLineFrameSplitter& splitter);

    cnComm m_port{0, false};
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    int m_baud = 9600;
    PortOpenError m_openError;
    IFrameMonitor* m_monitor = nullptr;
    mutable std::mutex m_errorLock;
    LineErrorCounts m_errors;
};
