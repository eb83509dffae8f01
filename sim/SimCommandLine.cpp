#include "SimCommandLine.h"

#include "NetListener.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace zoric::sim {

namespace {

bool ParseNumber(std::string_view text, double& value)
{
    const std::string s(text);
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0';
}

bool ParseUnsigned(std::string_view text, unsigned long max, unsigned long& value)
{
    const std::string s(text);
    if (s.empty() || s[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(s.c_str(), &end, 0);
    return end && *end == '\0' && errno == 0 && value <= max;
}

bool ParseFault(std::string_view name, SimFault& fault)
{
    static constexpr std::pair<std::string_view, SimFault> kNames[] = {
        {"no-answer", SimFault::NoAnswer},     {"bad-crc", SimFault::BadCrc},
        {"wrong-slave", SimFault::WrongSlave}, {"split", SimFault::SplitResponse},
        {"trailing", SimFault::TrailingBytes}, {"late", SimFault::LateAnswer},
        {"exception", SimFault::Exception},
    };
    for (const auto& [n, f] : kNames)
        if (n == name) {
            fault = f;
            return true;
        }
    return false;
}

// KIND=VALUE for every drive on the line, KIND@SLAVE=VALUE for one of them.
bool ParseFaultOption(bool next, std::string_view text, SimOptions& o)
{
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view target = text.substr(0, eq);
    const std::string_view amount = text.substr(eq + 1);
    const auto at = target.find('@');
    DriveFault f;
    unsigned long slave = 0;
    if (!ParseFault(target.substr(0, at), f.fault)) return false;
    if (at != std::string_view::npos && (!ParseUnsigned(target.substr(at + 1), 247, slave) || slave == 0)) return false;
    f.slave = static_cast<std::uint8_t>(slave);
    f.next = next;
    if (next) {
        unsigned long count = 0;
        if (!ParseUnsigned(amount, 1000000, count)) return false;
        f.count = static_cast<unsigned>(count);
    } else if (!ParseNumber(amount, f.probability) || !(f.probability >= 0 && f.probability <= 1)) {
        return false;
    }
    const auto k = static_cast<int>(f.fault);
    if (f.slave != 0) o.driveFaults.push_back(f);
    else if (next) o.faultNext[k] = f.count;
    else o.faultProbability[k] = f.probability;
    return true;
}

// A fault of a drive that is not on the line is a slip of the finger.
std::string CheckDriveFaults(const SimOptions& o)
{
    for (const DriveFault& f : o.driveFaults) {
        if (f.slave != o.slaveAddress &&
            std::find(o.otherSlaves.begin(), o.otherSlaves.end(), f.slave) == o.otherSlaves.end())
            return "a fault names slave " + std::to_string(f.slave) + ", which --slave does not put on the line";
    }
    return {};
}

}  // namespace

std::string SimUsage()
{
    return "usage: zoric-sim [options]\n"
           "A simulated ZORIC drive: a Modbus RTU slave on a pseudo-terminal (Linux),\n"
           "also reachable over TCP.\n"
           "\n"
           "  --port COMn         publish the pty as COMn in the COM directory\n"
           "                      ($ZORIC_COM_DIR, default ${XDG_RUNTIME_DIR:-/tmp}/zoric-com)\n"
           "  --listen URL        also reachable over TCP: tcp://HOST:PORT as a Modbus TCP\n"
           "                      gateway, rtu+tcp://HOST:PORT as a serial device server\n"
           "                      passing RTU frames (PORT 0: any free port); repeatable\n"
           "  --slave N[,N...]    slave address, 1 to 247 (default 1); a list puts a drive\n"
           "                      with its own state at each address on the one line\n"
           "  --baud N            baud rate (default 9600)\n"
           "  --parity P          n, o or e, or the tool's index 0 (n+2), 1 (o+1), 2 (e+1), 3 (n+1)\n"
           "  --stop-bits N       1 or 2 (default 2)\n"
           "  --time-scale X      duration factor of procedures and test moves (0.05: 20x faster)\n"
           "  --pacing            send answers at the speed of the configured line\n"
           "  --unlearned         start with the motor not learned\n"
           "  --learning-fails    motor learning ends in failure\n"
           "  --state FILE        settings file: loaded at start, written by \"store parameters\"\n"
           "  --fault KIND=P      spoil answers with probability P (0..1)\n"
           "  --fault-next KIND=N spoil the next N answers\n"
           "  --fault KIND@SLAVE=P, --fault-next KIND@SLAVE=N\n"
           "                      the same for the drive at SLAVE alone (repeatable): its\n"
           "                      next N come before the line's, its P replaces the line's\n"
           "  --lenient-line      answer whatever baud rate the master uses\n"
           "  --rpdo-entries N    entries of the RPDO communication objects: 2 (default) or 5\n"
           "                      (with inhibit time and event timer)\n"
           "  --apply-link-settings\n"
           "                      take on a written slave address, baud rate and parity\n"
           "                      once the answer to that write is out\n"
           "  --seed N            seed of the fault dice\n"
           "  --help              this text\n"
           "  --version           the version\n"
           "\n"
           "Fault kinds: no-answer, bad-crc, wrong-slave, split, trailing, late, exception\n"
           "(the drive answers exception 4, slave device failure).\n"
           "Stops on SIGINT, SIGTERM or SIGHUP and then removes the COMn link.\n"
           "\n"
           "On Windows there is no pseudo-terminal: the drive is served over TCP only\n"
           "(--listen is required, --port is refused), where the serial line's faults,\n"
           "pacing and line checks do not apply. Ctrl-C, Ctrl-Break or closing the console\n"
           "stops it.\n"
           "\n"
           "exit codes: 0 stopped by a signal (or by the console on Windows); 1 the\n"
           "pseudo-terminal, the COMn link or a network end could not be made; 2 bad\n"
           "arguments (on Windows also --port, or no --listen).\n";
}

SimCommandLine ParseSimCommandLine(int argc, const char* const* argv)
{
    SimCommandLine cl;
    SimOptions& o = cl.options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view& out) {
            if (i + 1 >= argc) {
                cl.error = std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string_view v;
        unsigned long n = 0;
        double d = 0;
        if (arg == "--help" || arg == "-h") {
            cl.help = true;
        } else if (arg == "--pacing") {
            o.pacing = true;
        } else if (arg == "--unlearned") {
            o.startUnlearned = true;
        } else if (arg == "--learning-fails") {
            o.learningFails = true;
        } else if (arg == "--port") {
            if (!value(v)) return cl;
            if (v.empty() || v.find('/') != std::string_view::npos || v == "." || v == "..") {
                cl.error = "--port takes a plain name such as COM1";
                return cl;
            }
            cl.port = v;
        } else if (arg == "--listen") {
            if (!value(v)) return cl;
            ListenAddress address;
            if (!ParseListenAddress(std::string(v), address)) {
                cl.error = "--listen takes tcp://HOST:PORT or rtu+tcp://HOST:PORT";
                return cl;
            }
            cl.listen.emplace_back(v);
        } else if (arg == "--slave") {
            if (!value(v)) return cl;
            // A list such as 3,17 puts one drive at each address.
            std::vector<std::uint8_t> slaves;
            for (std::string_view rest = v;;) {
                const auto comma = rest.find(',');
                if (!ParseUnsigned(rest.substr(0, comma), 247, n) || n == 0) {
                    cl.error = "--slave must be 1 to 247, or a list such as 3,17";
                    return cl;
                }
                const auto slave = static_cast<std::uint8_t>(n);
                if (std::find(slaves.begin(), slaves.end(), slave) != slaves.end()) {
                    cl.error = "--slave lists an address twice";
                    return cl;
                }
                slaves.push_back(slave);
                if (comma == std::string_view::npos) break;
                rest = rest.substr(comma + 1);
            }
            o.slaveAddress = slaves.front();
            o.otherSlaves.assign(slaves.begin() + 1, slaves.end());
        } else if (arg == "--baud") {
            if (!value(v)) return cl;
            if (!ParseUnsigned(v, 4000000, n) || n < 300) {
                cl.error = "--baud must be a baud rate";
                return cl;
            }
            o.baudRate = static_cast<std::uint32_t>(n);
        } else if (arg == "--parity") {
            if (!value(v)) return cl;
            if (v == "n" || v == "N") {
                o.parity = 'N';
            } else if (v == "o" || v == "O" || v == "1") {
                o.parity = 'O';
                o.stopBits = 1;
            } else if (v == "e" || v == "E" || v == "2") {
                o.parity = 'E';
                o.stopBits = 1;
            } else if (v == "0") {
                o.parity = 'N';
                o.stopBits = 2;
            } else if (v == "3") {
                o.parity = 'N';
                o.stopBits = 1;
            } else {
                cl.error = "--parity must be n, o, e or 0 to 3";
                return cl;
            }
        } else if (arg == "--stop-bits") {
            if (!value(v)) return cl;
            if (!ParseUnsigned(v, 2, n) || n == 0) {
                cl.error = "--stop-bits must be 1 or 2";
                return cl;
            }
            o.stopBits = static_cast<int>(n);
        } else if (arg == "--time-scale") {
            if (!value(v)) return cl;
            if (!ParseNumber(v, d) || !(d > 0) || d > 1000) {
                cl.error = "--time-scale must be a positive number";
                return cl;
            }
            o.timeScale = d;
        } else if (arg == "--state") {
            if (!value(v)) return cl;
            o.stateFile = v;
        } else if (arg == "--seed") {
            if (!value(v)) return cl;
            if (!ParseUnsigned(v, 0xFFFFFFFF, n)) {
                cl.error = "--seed must be a number";
                return cl;
            }
            o.randomSeed = static_cast<std::uint32_t>(n);
        } else if (arg == "--fault" || arg == "--fault-next") {
            if (!value(v)) return cl;
            if (!ParseFaultOption(arg == "--fault-next", v, o)) {
                cl.error = arg == "--fault"
                               ? "--fault takes KIND=PROBABILITY or KIND@SLAVE=PROBABILITY, e.g. bad-crc=0.1"
                               : "--fault-next takes KIND=COUNT or KIND@SLAVE=COUNT, e.g. no-answer@3=2";
                return cl;
            }
        } else if (arg == "--lenient-line") {
            o.strictLine = false;
        } else if (arg == "--rpdo-entries") {
            if (!value(v)) return cl;
            if (v != "2" && v != "5") {
                cl.error = "--rpdo-entries must be 2 or 5";
                return cl;
            }
            o.rpdoCommEntries = v == "5" ? 5 : 2;
        } else if (arg == "--apply-link-settings") {
            o.applyLinkSettings = true;
        } else {
            cl.error = "unknown option " + std::string(arg);
            return cl;
        }
    }
    cl.error = CheckDriveFaults(o);
    return cl;
}

std::string ComLinkDirectory()
{
    if (const char* dir = std::getenv("ZORIC_COM_DIR"); dir && *dir) return dir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return std::string(runtime && *runtime ? runtime : "/tmp") + "/zoric-com";
}

}  // namespace zoric::sim
