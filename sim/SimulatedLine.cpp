#include "SimulatedLine.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "SlaveCrc.h"

namespace zoric::sim {

namespace {

// The drive's RS-485 link registers.
constexpr std::uint16_t kBaudHighRegister = 0x0090;
constexpr std::uint16_t kBaudLowRegister = 0x0091;
constexpr std::uint16_t kParityRegister = 0x0092;
constexpr std::uint16_t kSlaveAddressRegister = 0x009C;

bool HasParityBit(char parity) { return parity == 'O' || parity == 'o' || parity == 'E' || parity == 'e'; }

}  // namespace

bool IsLineBaudRate(std::uint32_t baud)
{
    static constexpr std::uint32_t kRates[] = {300,   600,    1200,   2400,   4800,   9600,   19200,  38400,
                                               57600, 115200, 230400, 460800, 500000, 921600, 1000000};
    return std::find(std::begin(kRates), std::end(kRates), baud) != std::end(kRates);
}

CSimulatedLine::CSimulatedLine(SimOptions options)
    : m_options(std::move(options)), m_faults(m_options), m_link(LinkOf(m_options))
{
    Drive first;
    first.model = std::make_unique<CDriveModel>(m_options);
    first.protocol = std::make_unique<CSlaveProtocol>(*first.model, m_options.slaveAddress);
    first.model->Dictionary().SetStoreHandler([this] { return m_options.stateFile.empty() || SaveStateLocked(); });
    m_drives.push_back(std::move(first));
    LoadState();
    for (const std::uint8_t slave : m_options.otherSlaves) {
        if (slave == 0 || slave > 247 || ModelOf(slave)) continue;
        SimOptions own = m_options;
        own.slaveAddress = slave;
        Drive drive;
        drive.model = std::make_unique<CDriveModel>(own);
        drive.model->Dictionary().SetStoreHandler([] { return true; });
        drive.protocol = std::make_unique<CSlaveProtocol>(*drive.model, slave);
        m_drives.push_back(std::move(drive));
    }
}

CSimulatedLine::~CSimulatedLine() = default;

CDriveModel* CSimulatedLine::ModelOf(std::uint8_t slave)
{
    for (Drive& drive : m_drives)
        if (drive.protocol->Address() == slave) return drive.model.get();
    return nullptr;
}

LinkSettings CSimulatedLine::CurrentLink() const
{
    std::lock_guard lock(m_mutex);
    return m_link;
}

CSimulatedLine::Clock::duration CSimulatedLine::CharTime() const
{
    std::lock_guard lock(m_mutex);
    return CharTimeLocked();
}

CSimulatedLine::Clock::duration CSimulatedLine::CharTimeLocked() const
{
    const int bits = 1 + 8 + (HasParityBit(m_link.parity) ? 1 : 0) + m_link.stopBits;
    const std::uint32_t baud = m_link.baudRate ? m_link.baudRate : 9600;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(bits) / baud));
}

std::uint16_t CSimulatedLine::GetRegister(std::uint16_t address)
{
    std::lock_guard lock(m_mutex);
    CDriveModel& model = *m_drives.front().model;
    model.Advance(Clock::now());
    return model.Get(address);
}

void CSimulatedLine::SetRegister(std::uint16_t address, std::uint16_t value)
{
    {
        std::lock_guard lock(m_mutex);
        m_drives.front().model->Set(address, value);
    }
    Wake();
}

std::uint16_t CSimulatedLine::GetRegisterOf(std::uint8_t slave, std::uint16_t address)
{
    std::lock_guard lock(m_mutex);
    CDriveModel* model = ModelOf(slave);
    if (!model) return 0;
    model->Advance(Clock::now());
    return model->Get(address);
}

void CSimulatedLine::SetRegisterOf(std::uint8_t slave, std::uint16_t address, std::uint16_t value)
{
    {
        std::lock_guard lock(m_mutex);
        if (CDriveModel* model = ModelOf(slave)) model->Set(address, value);
    }
    Wake();
}

std::optional<std::uint32_t> CSimulatedLine::GetObject(std::uint16_t index, std::uint8_t subIndex)
{
    std::lock_guard lock(m_mutex);
    return m_drives.front().model->Dictionary().Get(index, subIndex);
}

bool CSimulatedLine::SetObject(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value)
{
    std::lock_guard lock(m_mutex);
    return m_drives.front().model->Dictionary().Set(index, subIndex, value);
}

void CSimulatedLine::InjectFault(SimFault fault, unsigned nextAnswers, std::uint8_t slave)
{
    std::lock_guard lock(m_mutex);
    m_faults.Arm(fault, nextAnswers, slave);
}

void CSimulatedLine::SetFaultProbability(SimFault fault, double probability, std::uint8_t slave)
{
    std::lock_guard lock(m_mutex);
    m_faults.SetProbability(fault, probability, slave);
}

void CSimulatedLine::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.Clear();
}

std::uint64_t CSimulatedLine::FaultCount(SimFault fault) const
{
    const auto k = static_cast<std::size_t>(fault);
    return k < m_faultCounts.size() ? m_faultCounts[k].load() : 0;
}

void CSimulatedLine::SetWakeHandler(std::function<void()> wake)
{
    std::lock_guard lock(m_mutex);
    m_wake = std::move(wake);
}

void CSimulatedLine::Wake()
{
    std::function<void()> wake;
    {
        std::lock_guard lock(m_mutex);
        wake = m_wake;
    }
    if (wake) wake();
}

bool CSimulatedLine::Advance(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    bool active = false;
    for (Drive& drive : m_drives) {
        drive.model->Advance(now);
        active = drive.model->IsActive() || active;
    }
    return active;
}

void CSimulatedLine::Hear(const Frame& frame, Clock::time_point now)
{
    if (!HasValidCrc(frame.data(), frame.size())) {
        ++m_crcErrors;
        return;
    }
    ++m_requests;
    std::lock_guard lock(m_mutex);
    Frame answer;
    const std::optional<std::uint8_t> answering = AllDrivesHear(frame, answer, now);
    const std::optional<LinkChange> change = LinkChangeOfLastRequest();
    const std::size_t queued = m_output.size();
    if (answering) {
        const std::optional<SimFault> fault = m_faults.Next(*answering);
        ++m_answers;
        if (fault) ++m_faultCounts[static_cast<std::size_t>(*fault)];
        QueueAnswer(std::move(answer), fault, now);
    }
    // The answer to the write still goes out on the old link; with nothing
    // to send (a broadcast, a swallowed answer) the drive switches at once.
    if (change) {
        if (m_output.size() > queued) m_output.back().linkAfter = change;
        else ApplyLinkChange(*change);
    }
}

bool CSimulatedLine::Exchange(const Frame& request, Frame& answer)
{
    ++m_requests;
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(m_mutex);
    const bool answered = AllDrivesHear(request, answer, now).has_value();
    if (answered) ++m_answers;
    return answered;
}

namespace {
// A write that may change a setting: not an SDO upload (command 0x40), which
// asks through the tunnel's registers at 0x200 and changes nothing.
bool IsSettingWrite(const CSimulatedLine::Frame& request)
{
    if (request.size() < 2 || (request[1] != 0x06 && request[1] != 0x10)) return false;
    const bool tunnel = request[1] == 0x10 && request.size() >= 9 && request[2] == 0x02 && request[3] == 0x00;
    return !(tunnel && request[8] == 0x40);
}
}  // namespace

std::optional<std::uint8_t> CSimulatedLine::AllDrivesHear(const Frame& request, Frame& answer, Clock::time_point now)
{
    // Every drive hears every frame: only the addressed one answers, all of
    // them obey a broadcast.
    std::optional<std::uint8_t> answering;
    for (Drive& drive : m_drives) {
        drive.model->Advance(now);
        Frame own;
        if (drive.protocol->Handle(request, own) && !answering) {
            answering = drive.protocol->Address();
            answer = std::move(own);
        }
    }
    if (IsSettingWrite(request) && answering && answer.size() > 1 && answer[1] == request[1]) ++m_writes;
    return answering;
}

void CSimulatedLine::QueueAnswer(Frame answer, std::optional<SimFault> fault, Clock::time_point now)
{
    if (!fault) {
        Queue(std::move(answer), now);
        return;
    }
    switch (*fault) {
    case SimFault::NoAnswer: break;
    case SimFault::BadCrc:
        answer.back() ^= 0x5A;
        Queue(std::move(answer), now);
        break;
    case SimFault::WrongSlave:
        answer.resize(answer.size() - 2);
        answer[0] = static_cast<std::uint8_t>(answer[0] == 247 ? 1 : answer[0] + 1);
        AppendCrc(answer);
        Queue(std::move(answer), now);
        break;
    case SimFault::TrailingBytes:
        answer.push_back(0x00);
        answer.push_back(0xFF);
        Queue(std::move(answer), now);
        break;
    case SimFault::LateAnswer: Queue(std::move(answer), now + std::chrono::milliseconds(m_options.lateAnswerMs)); break;
    case SimFault::Exception:
        // A drive that failed inside: the request's function with the
        // exception bit, code 4.
        answer = {answer[0], static_cast<std::uint8_t>(answer[1] | 0x80), 0x04};
        AppendCrc(answer);
        Queue(std::move(answer), now);
        break;
    case SimFault::SplitResponse: {
        // Three pieces with a pause in between, as a slow or busy drive sends.
        const std::size_t n = answer.size();
        const std::size_t cut1 = std::max<std::size_t>(1, n / 3);
        const std::size_t cut2 = std::max(cut1 + 1, 2 * n / 3);
        const auto pause = std::chrono::milliseconds(m_options.splitPauseMs);
        Queue({answer.begin(), answer.begin() + std::ptrdiff_t(cut1)}, now);
        Queue({answer.begin() + std::ptrdiff_t(cut1), answer.begin() + std::ptrdiff_t(cut2)}, now + pause);
        Queue({answer.begin() + std::ptrdiff_t(cut2), answer.end()}, now + 2 * pause);
        break;
    }
    case SimFault::Count: break;
    }
}

void CSimulatedLine::Queue(Frame bytes, Clock::time_point due)
{
    if (bytes.empty()) return;
    Chunk chunk;
    chunk.due = due;
    chunk.bytes = std::move(bytes);
    m_output.push_back(std::move(chunk));
}

// Only what the write touched, and only values the drive can run on: an
// address outside 1..247 or a baud rate the line does not have stays in its
// register but leaves the link as it was.
std::optional<CSimulatedLine::LinkChange> CSimulatedLine::LinkChangeOfLastRequest() const
{
    if (!m_options.applyLinkSettings) return std::nullopt;
    const CDriveModel& model = *m_drives.front().model;
    const CSlaveProtocol::Written written = m_drives.front().protocol->LastWrite();
    LinkChange change;
    if (written.Touches(kSlaveAddressRegister)) {
        const std::uint16_t address = model.Get(kSlaveAddressRegister);
        if (address >= 1 && address <= 247) change.slaveAddress = static_cast<std::uint8_t>(address);
    }
    if (written.Touches(kBaudHighRegister) || written.Touches(kBaudLowRegister)) {
        const std::uint32_t baud = std::uint32_t{model.Get(kBaudHighRegister)} << 16 | model.Get(kBaudLowRegister);
        if (IsLineBaudRate(baud)) change.baudRate = baud;
    }
    if (written.Touches(kParityRegister) && model.Get(kParityRegister) <= 3)
        change.parityIndex = model.Get(kParityRegister);
    if (!change.slaveAddress && !change.baudRate && !change.parityIndex) return std::nullopt;
    return change;
}

void CSimulatedLine::ApplyLinkChange(const LinkChange& change)
{
    if (change.slaveAddress) {
        m_link.slaveAddress = *change.slaveAddress;
        m_drives.front().protocol->SetAddress(*change.slaveAddress);
    }
    if (change.baudRate) m_link.baudRate = *change.baudRate;
    if (change.parityIndex) ParityFromIndex(*change.parityIndex, m_link.parity, m_link.stopBits);
}

std::optional<CSimulatedLine::Clock::time_point> CSimulatedLine::NextOutputDue() const
{
    std::lock_guard lock(m_mutex);
    if (m_output.empty()) return std::nullopt;
    const Chunk& c = m_output.front();
    if (c.started && m_options.pacing) return c.startedAt + CharTimeLocked() * static_cast<Clock::rep>(c.sent);
    return c.due;
}

CSimulatedLine::Frame CSimulatedLine::PeekOutput(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    return PeekLocked(now);
}

void CSimulatedLine::ConsumeOutput(std::size_t count)
{
    std::lock_guard lock(m_mutex);
    ConsumeLocked(count);
}

CSimulatedLine::Frame CSimulatedLine::TakeOutput(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    Frame out;
    for (Frame due = PeekLocked(now); !due.empty(); due = PeekLocked(now)) {
        out.insert(out.end(), due.begin(), due.end());
        ConsumeLocked(due.size());
    }
    return out;
}

CSimulatedLine::Frame CSimulatedLine::PeekLocked(Clock::time_point now)
{
    if (m_output.empty()) return {};
    Chunk& c = m_output.front();
    if (now < c.due) return {};
    if (!c.started) {
        c.started = true;
        c.startedAt = now;
    }
    std::size_t allowed = c.bytes.size();
    if (m_options.pacing) {
        // One character per character time, counted from the first.
        const auto elapsed = now - c.startedAt;
        allowed = std::min<std::size_t>(allowed, 1 + static_cast<std::size_t>(elapsed / CharTimeLocked()));
    }
    if (allowed <= c.sent) return {};
    return Frame(c.bytes.begin() + std::ptrdiff_t(c.sent), c.bytes.begin() + std::ptrdiff_t(allowed));
}

void CSimulatedLine::ConsumeLocked(std::size_t count)
{
    if (m_output.empty()) return;
    Chunk& c = m_output.front();
    c.sent = std::min(c.bytes.size(), c.sent + count);
    if (c.sent < c.bytes.size()) return;
    const std::optional<LinkChange> change = std::move(c.linkAfter);
    m_output.pop_front();
    if (change) ApplyLinkChange(*change);
}

void CSimulatedLine::DropOutput()
{
    std::lock_guard lock(m_mutex);
    for (const Chunk& c : m_output)
        if (c.linkAfter) ApplyLinkChange(*c.linkAfter);
    m_output.clear();
}

bool CSimulatedLine::SaveState()
{
    std::lock_guard lock(m_mutex);
    return SaveStateLocked();
}

// A line per setting: "R <register> <value>" or "O <index> <sub> <value>",
// hexadecimal. Written to a temporary file first so a crash never leaves a
// half-written state behind.
bool CSimulatedLine::SaveStateLocked()
{
    if (m_options.stateFile.empty()) return false;
    const CDriveModel& model = *m_drives.front().model;
    const std::string tmp = m_options.stateFile + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out) return false;
        out << std::hex;
        for (std::uint32_t a = 0; a <= 0xFFFF; ++a)
            if (CDriveModel::IsPersistent(static_cast<std::uint16_t>(a)))
                out << "R " << a << ' ' << model.Get(static_cast<std::uint16_t>(a)) << '\n';
        for (const auto& [key, value] : model.Dictionary().WritableEntries())
            out << "O " << (key >> 8) << ' ' << (key & 0xFF) << ' ' << value << '\n';
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(tmp, m_options.stateFile, error);
    return !error;
}

void CSimulatedLine::LoadState()
{
    CDriveModel& model = *m_drives.front().model;
    if (!m_options.stateFile.empty()) {
        std::ifstream in(m_options.stateFile);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            char kind = 0;
            unsigned long a = 0, b = 0, c = 0;
            fields >> kind >> std::hex >> a >> b;
            if (kind == 'R' && fields && a <= 0xFFFF && b <= 0xFFFF &&
                CDriveModel::IsPersistent(static_cast<std::uint16_t>(a)))
                model.Set(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b));
            else if (kind == 'O' && (fields >> c) && a <= 0xFFFF && b <= 0xFF && c <= 0xFFFFFFFF)
                model.Dictionary().Set(static_cast<std::uint16_t>(a), static_cast<std::uint8_t>(b),
                                       static_cast<std::uint32_t>(c));
        }
    }
    // The line the drive actually runs on is the one it was started with.
    model.Set(kBaudHighRegister, static_cast<std::uint16_t>(m_options.baudRate >> 16));
    model.Set(kBaudLowRegister, static_cast<std::uint16_t>(m_options.baudRate & 0xFFFF));
    model.Set(kParityRegister, static_cast<std::uint16_t>(ParityIndex(m_options.parity, m_options.stopBits)));
    model.Set(kSlaveAddressRegister, m_options.slaveAddress);
    if (m_options.startUnlearned) model.Set(117, 0);
}

}  // namespace zoric::sim
