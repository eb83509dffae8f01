#include "DriveSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "SlaveCrc.h"

namespace zoric::sim {

namespace {

// The drive's RS-485 link registers.
constexpr std::uint16_t kBaudHighRegister = 0x0090;
constexpr std::uint16_t kBaudLowRegister = 0x0091;
constexpr std::uint16_t kParityRegister = 0x0092;
constexpr std::uint16_t kSlaveAddressRegister = 0x009C;

constexpr std::pair<std::uint32_t, speed_t> kBaudRates[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {500000, B500000}, {921600, B921600}, {1000000, B1000000},
};

std::optional<speed_t> BaudConstant(std::uint32_t baud)
{
    for (const auto& [rate, constant] : kBaudRates)
        if (rate == baud)
            return constant;
    return std::nullopt;
}

bool IsKnownSpeed(speed_t speed)
{
    for (const auto& entry : kBaudRates)
        if (entry.second == speed)
            return true;
    return false;
}

bool IsOdd(char parity)
{
    return parity == 'O' || parity == 'o';
}

bool IsEven(char parity)
{
    return parity == 'E' || parity == 'e';
}

// A pty clears the parity-enable bit whatever the master sets, but keeps the
// odd-parity and stop bits: odd parity and two stop bits show, even parity
// and no parity with one stop bit look alike. A tty that keeps the enable
// bit tells a little more.
bool FramingMatches(tcflag_t cflag, const LinkSettings& link)
{
    if (((cflag & CSTOPB) != 0) != (link.stopBits == 2))
        return false;
    if (((cflag & PARODD) != 0) != IsOdd(link.parity))
        return false;
    return (cflag & PARENB) == 0 || IsOdd(link.parity) || IsEven(link.parity);
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace

CDriveSimulator::CDriveSimulator(SimOptions options)
    : m_options(std::move(options)),
      m_model(m_options),
      m_protocol(m_model, m_options.slaveAddress),
      m_faults(m_options),
      m_link(LinkOf(m_options))
{
    m_model.Dictionary().SetStoreHandler([this] { return m_options.stateFile.empty() || SaveStateLocked(); });
    LoadState();
    for (const std::uint8_t slave : m_options.otherSlaves) {
        if (slave == 0 || slave > 247 || ModelOf(slave))
            continue;
        SimOptions own = m_options;
        own.slaveAddress = slave;
        OtherDrive drive;
        drive.model = std::make_unique<CDriveModel>(own);
        drive.model->Dictionary().SetStoreHandler([] { return true; });
        drive.protocol = std::make_unique<CSlaveProtocol>(*drive.model, slave);
        m_others.push_back(std::move(drive));
    }
}

CDriveModel* CDriveSimulator::ModelOf(std::uint8_t slave)
{
    if (slave == m_protocol.Address())
        return &m_model;
    for (OtherDrive& drive : m_others)
        if (drive.protocol->Address() == slave)
            return drive.model.get();
    return nullptr;
}

std::uint16_t CDriveSimulator::GetRegisterOf(std::uint8_t slave, std::uint16_t address)
{
    std::lock_guard lock(m_mutex);
    CDriveModel* model = ModelOf(slave);
    if (!model)
        return 0;
    model->Advance(Clock::now());
    return model->Get(address);
}

void CDriveSimulator::SetRegisterOf(std::uint8_t slave, std::uint16_t address, std::uint16_t value)
{
    {
        std::lock_guard lock(m_mutex);
        if (CDriveModel* model = ModelOf(slave))
            model->Set(address, value);
    }
    Wake();
}

CDriveSimulator::~CDriveSimulator()
{
    Stop();
}

LinkSettings CDriveSimulator::CurrentLink() const
{
    std::lock_guard lock(m_mutex);
    return m_link;
}

CDriveSimulator::Clock::duration CDriveSimulator::CharTime() const
{
    const int bits = 1 + 8 + (IsOdd(m_link.parity) || IsEven(m_link.parity) ? 1 : 0) + m_link.stopBits;
    const std::uint32_t baud = m_link.baudRate ? m_link.baudRate : 9600;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(bits) / baud));
}

void CDriveSimulator::ApplyLineSettings()
{
    termios tio{};
    if (::tcgetattr(m_slaveFd, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    const speed_t speed = BaudConstant(m_link.baudRate).value_or(B9600);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CSTOPB);
    if (IsEven(m_link.parity))
        tio.c_cflag |= PARENB;
    else if (IsOdd(m_link.parity))
        tio.c_cflag |= PARENB | PARODD;
    if (m_link.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    ::tcsetattr(m_slaveFd, TCSANOW, &tio);
}

bool CDriveSimulator::Start()
{
    if (IsRunning())
        return true;
    auto fail = [this](const char* what) {
        m_lastError = std::string(what) + ": " + std::strerror(errno);
        CloseFd(m_masterFd);
        CloseFd(m_slaveFd);
        CloseFd(m_wakeFd);
        return false;
    };
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_masterFd < 0)
        return fail("posix_openpt");
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0)
        return fail("grantpt/unlockpt");
    char name[256] = {};
    if (::ptsname_r(m_masterFd, name, sizeof name) != 0)
        return fail("ptsname");
    m_slavePath = name;
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd < 0)
        return fail("open slave");
    ApplyLineSettings();
    if (::fcntl(m_masterFd, F_SETFL, ::fcntl(m_masterFd, F_GETFL) | O_NONBLOCK) != 0)
        return fail("fcntl");
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0)
        return fail("eventfd");
    m_stop = false;
    m_parser = CSlaveFrameParser{};
    m_lastInput = Clock::now();
    m_thread = std::thread(&CDriveSimulator::Run, this);
    return true;
}

void CDriveSimulator::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        Wake();
        m_thread.join();
    }
    CloseFd(m_masterFd);
    CloseFd(m_slaveFd);
    CloseFd(m_wakeFd);
    DropOutput();
}

void CDriveSimulator::Wake()
{
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

std::uint16_t CDriveSimulator::GetRegister(std::uint16_t address)
{
    std::lock_guard lock(m_mutex);
    m_model.Advance(Clock::now());
    return m_model.Get(address);
}

void CDriveSimulator::SetRegister(std::uint16_t address, std::uint16_t value)
{
    {
        std::lock_guard lock(m_mutex);
        m_model.Set(address, value);
    }
    Wake();
}

std::optional<std::uint32_t> CDriveSimulator::GetObject(std::uint16_t index, std::uint8_t subIndex)
{
    std::lock_guard lock(m_mutex);
    return m_model.Dictionary().Get(index, subIndex);
}

bool CDriveSimulator::SetObject(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value)
{
    std::lock_guard lock(m_mutex);
    return m_model.Dictionary().Set(index, subIndex, value);
}

void CDriveSimulator::InjectFault(SimFault fault, unsigned nextAnswers)
{
    std::lock_guard lock(m_mutex);
    m_faults.Arm(fault, nextAnswers);
}

void CDriveSimulator::SetFaultProbability(SimFault fault, double probability)
{
    std::lock_guard lock(m_mutex);
    m_faults.SetProbability(fault, probability);
}

void CDriveSimulator::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.Clear();
}

void CDriveSimulator::Run()
{
    std::uint8_t buffer[512];
    Clock::time_point readBackoffUntil{};
    bool blocked = false;  // the pty's buffer is full; wait until it drains
    while (!m_stop) {
        // The end of a frame, at the baud rate the drive runs on now.
        const auto silence = std::max<Clock::duration>(CharTime() * 7 / 2, std::chrono::milliseconds(3));
        auto now = Clock::now();
        bool active;
        {
            std::lock_guard lock(m_mutex);
            m_model.Advance(now);
            active = m_model.IsActive();
            for (OtherDrive& drive : m_others) {
                drive.model->Advance(now);
                active = drive.model->IsActive() || active;
            }
        }
        int timeout = TimeoutMs(now, active, blocked);
        if (m_parser.HasPartialInput()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_lastInput + silence - now).count();
            timeout = timeout < 0 ? std::max<int>(0, int(left)) : std::min<int>(timeout, std::max<int>(0, int(left)));
        }
        const bool backoff = now < readBackoffUntil;
        if (backoff)
            timeout = timeout < 0 ? 50 : std::min(timeout, 50);

        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_masterFd, 0, 0}};
        if (!backoff)
            fds[1].events |= POLLIN;
        if (blocked)
            fds[1].events |= POLLOUT;
        const int ready = ::poll(fds, fds[1].events ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            std::uint64_t drained;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &drained, sizeof drained);
        }
        now = Clock::now();
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(m_masterFd, buffer, sizeof buffer);
            if (n > 0 && !LineMatches()) {
                m_lineErrors += static_cast<std::uint64_t>(n);
                m_lastInput = now;
            } else if (n > 0) {
                m_parser.Feed(buffer, static_cast<std::size_t>(n));
                m_lastInput = now;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                readBackoffUntil = now + std::chrono::milliseconds(50);
            }
        }
        if (m_parser.HasPartialInput() && now - m_lastInput >= silence)
            m_parser.Silence();
        m_crcErrors = m_parser.CrcErrors();
        ServeFrames(now);
        blocked = !Flush(now);
    }
}

// The master's line settings live in the pty's termios; a master on another
// baud rate would only produce noise at the drive. A rate the table does not
// know, such as a custom divisor, is given the benefit of the doubt. (A pty
// forces 8 data bits and clears the parity bit, so the framing is left alone
// unless the drive takes on written link settings: then a master that did
// not follow a change of parity must not be answered either.)
bool CDriveSimulator::LineMatches() const
{
    if (!m_options.strictLine)
        return true;
    termios tio{};
    if (::tcgetattr(m_slaveFd, &tio) != 0)
        return true;
    const auto expected = BaudConstant(m_link.baudRate);
    const speed_t speed = ::cfgetospeed(&tio);
    if (expected && IsKnownSpeed(speed) && speed != *expected)
        return false;
    return !m_options.applyLinkSettings || FramingMatches(tio.c_cflag, m_link);
}

int CDriveSimulator::TimeoutMs(Clock::time_point now, bool active, bool blocked) const
{
    int timeout = active ? 10 : -1;
    if (!m_output.empty() && !blocked) {
        const Chunk& c = m_output.front();
        long wait;
        if (c.started && m_options.pacing)
            wait = 1;
        else
            wait = std::max<long>(0, std::chrono::ceil<std::chrono::milliseconds>(c.due - now).count());
        timeout = timeout < 0 ? int(wait) : std::min<int>(timeout, int(wait));
    }
    return timeout;
}

void CDriveSimulator::ServeFrames(Clock::time_point now)
{
    CSlaveFrameParser::Frame request;
    while (m_parser.Next(request)) {
        ++m_requests;
        std::vector<std::uint8_t> answer;
        std::optional<SimFault> fault;
        std::optional<LinkChange> change;
        bool answered;
        {
            std::lock_guard lock(m_mutex);
            answered = AllDrivesHear(request, answer, now);
            change = LinkChangeOfLastRequest();
            if (answered)
                fault = m_faults.Next();
        }
        const std::size_t queued = m_output.size();
        if (answered) {
            ++m_answers;
            if (fault)
                ++m_faultCounts[static_cast<std::size_t>(*fault)];
            SendAnswer(std::move(answer), fault, now);
        }
        // The answer to the write still goes out on the old link; with
        // nothing to send (a broadcast, a swallowed answer) the drive
        // switches at once.
        if (change) {
            if (m_output.size() > queued)
                m_output.back().linkAfter = std::move(change);
            else
                ApplyLinkChange(*change);
        }
    }
}

bool CDriveSimulator::Exchange(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& answer)
{
    ++m_requests;
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(m_mutex);
    const bool answered = AllDrivesHear(request, answer, now);
    if (answered)
        ++m_answers;
    return answered;
}

bool CDriveSimulator::AllDrivesHear(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& answer,
                                    Clock::time_point now)
{
    // Every drive hears every frame: only the addressed one answers, all of
    // them obey a broadcast.
    m_model.Advance(now);
    bool answered = m_protocol.Handle(request, answer);
    for (OtherDrive& drive : m_others) {
        drive.model->Advance(now);
        std::vector<std::uint8_t> own;
        if (drive.protocol->Handle(request, own) && !answered) {
            answered = true;
            answer = std::move(own);
        }
    }
    return answered;
}

void CDriveSimulator::SendAnswer(std::vector<std::uint8_t> answer, std::optional<SimFault> fault,
                                 Clock::time_point now)
{
    if (!fault) {
        Queue(std::move(answer), now);
        return;
    }
    switch (*fault) {
    case SimFault::NoAnswer:
        break;
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
    case SimFault::LateAnswer:
        Queue(std::move(answer), now + std::chrono::milliseconds(m_options.lateAnswerMs));
        break;
    case SimFault::SplitResponse: {
        // Three pieces with a pause in between, as a slow or busy drive sends.
        const std::size_t n = answer.size();
        const std::size_t cut1 = std::max<std::size_t>(1, n / 3);
        const std::size_t cut2 = std::max(cut1 + 1, 2 * n / 3);
        const auto pause = std::chrono::milliseconds(m_options.splitPauseMs);
        Queue({answer.begin(), answer.begin() + long(cut1)}, now);
        Queue({answer.begin() + long(cut1), answer.begin() + long(cut2)}, now + pause);
        Queue({answer.begin() + long(cut2), answer.end()}, now + 2 * pause);
        break;
    }
    case SimFault::Count:
        break;
    }
}

// Only what the write touched, and only values the drive can run on: an
// address outside 1..247 or a baud rate without a termios speed stays in
// its register but leaves the link as it was.
std::optional<CDriveSimulator::LinkChange> CDriveSimulator::LinkChangeOfLastRequest() const
{
    if (!m_options.applyLinkSettings)
        return std::nullopt;
    const CSlaveProtocol::Written written = m_protocol.LastWrite();
    LinkChange change;
    if (written.Touches(kSlaveAddressRegister)) {
        const std::uint16_t address = m_model.Get(kSlaveAddressRegister);
        if (address >= 1 && address <= 247)
            change.slaveAddress = static_cast<std::uint8_t>(address);
    }
    if (written.Touches(kBaudHighRegister) || written.Touches(kBaudLowRegister)) {
        const std::uint32_t baud =
            std::uint32_t{m_model.Get(kBaudHighRegister)} << 16 | m_model.Get(kBaudLowRegister);
        if (BaudConstant(baud))
            change.baudRate = baud;
    }
    if (written.Touches(kParityRegister) && m_model.Get(kParityRegister) <= 3)
        change.parityIndex = m_model.Get(kParityRegister);
    if (!change.slaveAddress && !change.baudRate && !change.parityIndex)
        return std::nullopt;
    return change;
}

// The pty's termios is left as it is: it holds the master's settings, and
// the next bytes are judged by them against the new link.
void CDriveSimulator::ApplyLinkChange(const LinkChange& change)
{
    std::lock_guard lock(m_mutex);
    if (change.slaveAddress) {
        m_link.slaveAddress = *change.slaveAddress;
        m_protocol.SetAddress(*change.slaveAddress);
    }
    if (change.baudRate)
        m_link.baudRate = *change.baudRate;
    if (change.parityIndex)
        ParityFromIndex(*change.parityIndex, m_link.parity, m_link.stopBits);
}

void CDriveSimulator::Queue(std::vector<std::uint8_t> answer, Clock::time_point due)
{
    if (answer.empty())
        return;
    Chunk chunk;
    chunk.due = due;
    chunk.bytes = std::move(answer);
    m_output.push_back(std::move(chunk));
}

bool CDriveSimulator::Flush(Clock::time_point now)
{
    while (!m_output.empty()) {
        Chunk& c = m_output.front();
        if (now < c.due)
            return true;
        if (!c.started) {
            c.started = true;
            c.startedAt = now;
        }
        std::size_t allowed = c.bytes.size();
        if (m_options.pacing) {
            // One character per character time, counted from the first.
            const auto elapsed = now - c.startedAt;
            allowed = std::min<std::size_t>(allowed, 1 + static_cast<std::size_t>(elapsed / CharTime()));
        }
        if (allowed > c.sent) {
            const ssize_t n = ::write(m_masterFd, c.bytes.data() + c.sent, allowed - c.sent);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    return false;
                if (errno == EINTR)
                    continue;
                DropOutput();  // the line is gone; nobody hears the answers
                return true;
            }
            c.sent += static_cast<std::size_t>(n);
        }
        if (c.sent < c.bytes.size())
            return true;
        const std::optional<LinkChange> change = std::move(c.linkAfter);
        m_output.pop_front();
        if (change)
            ApplyLinkChange(*change);
    }
    return true;
}

// Answers nobody will hear; the writes behind them were carried out all
// the same, link changes included.
void CDriveSimulator::DropOutput()
{
    for (const Chunk& c : m_output)
        if (c.linkAfter)
            ApplyLinkChange(*c.linkAfter);
    m_output.clear();
}

bool CDriveSimulator::SaveState()
{
    std::lock_guard lock(m_mutex);
    return SaveStateLocked();
}

// A line per setting: "R <register> <value>" or "O <index> <sub> <value>",
// hexadecimal. Written to a temporary file first so a crash never leaves a
// half-written state behind.
bool CDriveSimulator::SaveStateLocked()
{
    if (m_options.stateFile.empty())
        return false;
    const std::string tmp = m_options.stateFile + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out)
            return false;
        out << std::hex;
        for (std::uint32_t a = 0; a <= 0xFFFF; ++a)
            if (CDriveModel::IsPersistent(static_cast<std::uint16_t>(a)))
                out << "R " << a << ' ' << m_model.Get(static_cast<std::uint16_t>(a)) << '\n';
        for (const auto& [key, value] : m_model.Dictionary().WritableEntries())
            out << "O " << (key >> 8) << ' ' << (key & 0xFF) << ' ' << value << '\n';
        if (!out.flush())
            return false;
    }
    return std::rename(tmp.c_str(), m_options.stateFile.c_str()) == 0;
}

void CDriveSimulator::LoadState()
{
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
                m_model.Set(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b));
            else if (kind == 'O' && (fields >> c) && a <= 0xFFFF && b <= 0xFF && c <= 0xFFFFFFFF)
                m_model.Dictionary().Set(static_cast<std::uint16_t>(a), static_cast<std::uint8_t>(b),
                                         static_cast<std::uint32_t>(c));
        }
    }
    // The line the drive actually runs on is the one it was started with.
    m_model.Set(kBaudHighRegister, static_cast<std::uint16_t>(m_options.baudRate >> 16));
    m_model.Set(kBaudLowRegister, static_cast<std::uint16_t>(m_options.baudRate & 0xFFFF));
    m_model.Set(kParityRegister, static_cast<std::uint16_t>(ParityIndex(m_options.parity, m_options.stopBits)));
    m_model.Set(kSlaveAddressRegister, m_options.slaveAddress);
    if (m_options.startUnlearned)
        m_model.Set(117, 0);
}

}  // namespace zoric::sim
