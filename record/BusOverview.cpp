#include "BusOverview.h"

#include <algorithm>

#include "CsvWriter.h"
#include "DriveScan.h"
#include "HostSystem.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "StatusChannels.h"
#include "StatusFormat.h"
#include "TextNumber.h"

using TextNumber::Format;

void CBusOverview::SetLine(int baud, int parity)
{
    m_baud = baud;
    m_parity = parity;
    for (OverviewDrive& d : m_drives) d.otherLine = d.baud != baud || d.parity != parity;
}

void CBusOverview::Add(uint8_t slave, int baud, int parity)
{
    if (Find(slave)) return;
    OverviewDrive drive;
    drive.slave = slave;
    drive.baud = baud;
    drive.parity = parity;
    drive.otherLine = baud != m_baud || parity != m_parity;
    const auto at =
        std::find_if(m_drives.begin(), m_drives.end(), [slave](const OverviewDrive& d) { return d.slave > slave; });
    m_drives.insert(at, drive);
}

void CBusOverview::Remove(uint8_t slave)
{
    std::erase_if(m_drives, [slave](const OverviewDrive& d) { return d.slave == slave; });
}

const OverviewDrive* CBusOverview::Find(uint8_t slave) const
{
    const auto it =
        std::find_if(m_drives.begin(), m_drives.end(), [slave](const OverviewDrive& d) { return d.slave == slave; });
    return it == m_drives.end() ? nullptr : &*it;
}

std::optional<uint8_t> CBusOverview::Next()
{
    for (size_t tried = 0; tried < m_drives.size(); ++tried) {
        const OverviewDrive& d = m_drives[m_next++ % m_drives.size()];
        if (!d.otherLine) return d.slave;
    }
    return std::nullopt;
}

void CBusOverview::Record(uint8_t slave, ModbusResult result, const std::optional<DeviceInfo>& info,
                          const std::optional<RealtimeStatus>& status, WallClock::time_point when)
{
    const auto it =
        std::find_if(m_drives.begin(), m_drives.end(), [slave](const OverviewDrive& d) { return d.slave == slave; });
    if (it == m_drives.end()) return;
    it->asked = true;
    it->lastResult = result;
    if (info) it->info = info;
    if (status) it->status = status;
    if (result == kResultOk) it->lastAnswer = when;
}

std::string CBusOverview::StateText(const OverviewDrive& d)
{
    if (d.otherLine)
        return Format(Localized("在其他通讯设置 (%d %s), 不轮询"), d.baud, DriveScan::ParityText(d.parity).c_str());
    if (!d.asked) return "-";
    if (d.lastResult != kResultOk) return CModbusMaster::ResultText(d.lastResult);
    if (!d.status) return "-";
    if (d.status->errorState != 0) return StatusFormat::ErrorStateText(d.status->errorState);
    return Localized(StatusChannels::MotorRunning(*d.status) ? "运行" : "停止");
}

std::string CBusOverview::Csv() const
{
    using StatusChannels::Channel;
    std::string text = "slave,model,identifier,version,state,error_state,supply_v,temperature_c,last_answer\n";
    for (const OverviewDrive& d : m_drives) {
        const StatusFormat::DeviceInfoTexts info =
            d.info ? StatusFormat::FormatDeviceInfo(*d.info) : StatusFormat::DeviceInfoTexts{};
        const char* state = d.otherLine                               ? "other_line"
                            : !d.asked                                ? ""
                            : d.lastResult != kResultOk               ? "no_answer"
                            : !d.status                               ? ""
                            : d.status->errorState != 0               ? "error"
                            : StatusChannels::MotorRunning(*d.status) ? "running"
                                                                      : "stopped";
        text += Format("%u,", d.slave) + CCsvWriter::Field(info.model) + "," + info.identifier + "," + info.version +
                "," + state + ",";
        if (d.status) {
            text += StatusChannels::ValueText(Channel::ErrorState, *d.status) + "," +
                    StatusChannels::ValueText(Channel::Supply, *d.status) + "," +
                    StatusChannels::ValueText(Channel::Temperature, *d.status);
        } else {
            text += ",,";
        }
        text += "," + (d.lastAnswer ? CCsvWriter::IsoTime(*d.lastAnswer) : std::string()) + "\n";
    }
    return text;
}

std::chrono::milliseconds CBusOverview::RoundTime(size_t drives, int baud)
{
    // 11 bits a character; a read request is 8 characters, the device
    // information's answer 37 and the status's 59, each after the silence
    // of 3.5 characters, and the drive's turnaround of a few milliseconds.
    const double character = 11.0 / std::max(baud, 1);
    const double perDrive = (8 + 37 + 8 + 59 + 4 * 3.5) * character + 0.004;
    return std::chrono::milliseconds(static_cast<long long>(perDrive * 1000.0 * static_cast<double>(drives)) + 1);
}
