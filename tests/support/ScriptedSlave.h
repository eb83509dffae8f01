#pragma once
// A Modbus slave whose answers the test scripts: it reads each request off a
// tty, hands it to the script, and sends back what the script returns, in
// pieces with pauses if asked. Used to check the master's exact bytes and its
// handling of bad, late, partial and foreign answers.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SlaveReply {
    // Each piece is written as one block, after its delay.
    struct Piece {
        std::vector<uint8_t> bytes;
        std::chrono::milliseconds delay{0};
    };
    std::vector<Piece> pieces;  // none: stay silent

    static SlaveReply Silent() { return {}; }
    static SlaveReply Bytes(std::vector<uint8_t> b) { return SlaveReply{{{std::move(b), {}}}}; }
};

// The frame with its CRC appended.
std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame);

class CScriptedSlave {
public:
    using Script = std::function<SlaveReply(const std::vector<uint8_t>& request)>;

    // Opens the tty at `path` raw at 9600,n,8,2 and starts answering.
    CScriptedSlave(const std::string& path, Script script);
    ~CScriptedSlave();

    bool Ok() const { return m_fd >= 0; }
    std::vector<std::vector<uint8_t>> Requests() const;

private:
    void Run();
    static size_t RequestLength(const std::vector<uint8_t>& buf);

    int m_fd = -1;
    int m_wake = -1;
    Script m_script;
    mutable std::mutex m_lock;
    std::vector<std::vector<uint8_t>> m_requests;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
