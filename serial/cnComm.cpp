#include "cnComm.h"

#include <string_view>

namespace {

// Splits "a,b,c,d" into trimmed fields; false on more than four.
bool SplitFields(std::string_view text, std::string_view (&fields)[4], int& count)
{
    count = 0;
    size_t pos = 0;
    while (true) {
        size_t comma = text.find(',', pos);
        std::string_view f = text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.remove_prefix(1);
        while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.remove_suffix(1);
        if (count == 4) return false;
        fields[count++] = f;
        if (comma == std::string_view::npos) return true;
        pos = comma + 1;
    }
}

bool ParseSmallInt(std::string_view f, int& out)
{
    if (f.empty() || f.size() > 7) return false;
    int v = 0;
    for (char c : f) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

// The rates a port accepts: the usual PC rates, the termios ones included.
bool IsStandardRate(int baud)
{
    switch (baud) {
    case 110:
    case 300:
    case 600:
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 14400:
    case 19200:
    case 38400:
    case 56000:
    case 57600:
    case 115200:
    case 128000:
    case 230400:
    case 256000:
    case 460800:
    case 921600: return true;
    default: return false;
    }
}

}  // namespace

cnComm::cnComm(uint32_t openFlags, bool useWatchThread) : m_openFlags(openFlags), m_useWatchThread(useWatchThread)
{
    InitMembers();
}

cnComm::~cnComm()
{
    if (IsOpen()) Close();
    FreeMembers();
}

bool cnComm::ParseMode(const char* modeText, LineSettings& out)
{
    if (!modeText) return false;
    std::string_view fields[4];
    int count = 0;
    if (!SplitFields(modeText, fields, count) || count != 4) return false;
    LineSettings s;
    if (!ParseSmallInt(fields[0], s.baud) || !IsStandardRate(s.baud)) return false;
    if (fields[1].size() != 1) return false;
    char p = fields[1][0];
    if (p >= 'A' && p <= 'Z') p = static_cast<char>(p - 'A' + 'a');
    if (p != 'n' && p != 'o' && p != 'e') return false;
    s.parity = p;
    if (!ParseSmallInt(fields[2], s.dataBits) || s.dataBits != 8) return false;
    if (!ParseSmallInt(fields[3], s.stopBits) || (s.stopBits != 1 && s.stopBits != 2)) return false;
    out = s;
    return true;
}

bool cnComm::MarkLost()
{
    if (m_lost.exchange(true)) return false;
    ++m_lossCount;
    return true;
}

bool cnComm::Fail(int error, PortOpenReason reason)
{
    m_openError.error = error;
    m_openError.reason = reason;
    AddOpenFailureDetails(m_openError);
    return false;
}

bool cnComm::IsWatchThreadRunning() const { return m_watchThread.joinable(); }

void cnComm::NotifyError()
{
    CommStatus s;
    QueryStatus(s);
}
