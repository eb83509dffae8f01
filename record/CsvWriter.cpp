#include "CsvWriter.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

#include "HostSystem.h"
#include "TextNumber.h"

using TextNumber::Format;

CCsvWriter::CCsvWriter(std::vector<Channel> channels) : m_channels(std::move(channels)) {}

CCsvWriter::~CCsvWriter() { Close(); }

bool CCsvWriter::Open(const std::string& path)
{
    Close();
    m_rows = 0;
    m_error.clear();
    m_file = HostSystem::OpenFile(path, "wb");
    if (!m_file) {
        m_error = path + ": " + std::strerror(errno);
        return false;
    }
    const std::string header = Header(m_channels) + "\n";
    if (std::fputs(header.c_str(), m_file) < 0 || std::fflush(m_file) != 0) {
        m_error = path + ": " + std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

void CCsvWriter::Close()
{
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

std::string CCsvWriter::Header(const std::vector<Channel>& channels)
{
    std::string header = "time,seconds";
    for (Channel c : channels) header += "," + StatusChannels::ColumnName(c);
    return header + ",result";
}

std::string CCsvWriter::IsoTime(WallClock::time_point when)
{
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(when.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    const int millis = static_cast<int>(ms - static_cast<int64_t>(seconds) * 1000);
    long offset = 0;  // minutes east of UTC
    const std::tm local = HostSystem::LocalTime(seconds, &offset);
    const long absOffset = offset < 0 ? -offset : offset;
    return Format("%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis, offset < 0 ? '-' : '+',
                  absOffset / 60, absOffset % 60);
}

std::string CCsvWriter::Field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool CCsvWriter::WriteRow(WallClock::time_point when, double seconds, const std::vector<std::string>& values,
                          const std::string& result)
{
    if (!m_file) {
        if (m_error.empty()) m_error = "not open";
        return false;
    }
    std::string row = IsoTime(when) + Format(",%.3f", seconds);
    for (size_t k = 0; k < m_channels.size(); ++k) {
        row += ',';
        if (k < values.size()) row += values[k];
    }
    row += "," + Field(result) + "\n";
    if (std::fputs(row.c_str(), m_file) < 0 || std::fflush(m_file) != 0) {
        m_error = std::strerror(errno);
        return false;
    }
    ++m_rows;
    return true;
}

bool CCsvWriter::WriteStatus(WallClock::time_point when, double seconds, const RealtimeStatus& status)
{
    std::vector<std::string> values;
    values.reserve(m_channels.size());
    for (Channel c : m_channels) values.push_back(StatusChannels::ValueText(c, status));
    return WriteRow(when, seconds, values, {});
}

bool CCsvWriter::WriteFailure(WallClock::time_point when, double seconds, const std::string& resultText)
{
    return WriteRow(when, seconds, {}, resultText);
}

bool CCsvWriter::WriteValues(WallClock::time_point when, double seconds, const double* values)
{
    std::vector<std::string> texts;
    texts.reserve(m_channels.size());
    for (Channel c : m_channels) {
        const double v = values[StatusChannels::Index(c)];
        texts.push_back(std::isnan(v) ? std::string() : Format("%.*f", StatusChannels::MaxDecimals(c), v));
    }
    return WriteRow(when, seconds, texts, {});
}
