// zoric-sim: a simulated drive on a pseudo-terminal, optionally published
// as a COM port name for the tool and reachable over TCP (--listen).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DriveSimulator.h"
#include "NetListener.h"
#include "SimCommandLine.h"

using namespace zoric::sim;

namespace {

bool MakeDirectories(const std::string& path)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

// Removes the link only while it still points at our pty: a newer
// simulator may have taken the name over.
void RemoveLink(const std::string& link, const std::string& target)
{
    char buf[512];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == target)
        ::unlink(link.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("zoric-sim %s\n", ZORIC_VERSION);
        return 0;
    }
    const SimCommandLine cl = ParseSimCommandLine(argc, argv);
    if (cl.help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    if (!cl.error.empty()) {
        std::fprintf(stderr, "zoric-sim: %s\n\n%s", cl.error.c_str(), SimUsage().c_str());
        return 2;
    }

    // Block the stop signals before any thread starts, then wait for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CDriveSimulator sim(cl.options);
    if (!sim.Start()) {
        std::fprintf(stderr, "zoric-sim: cannot open a pseudo-terminal: %s\n", sim.LastError().c_str());
        return 1;
    }
    std::string link;
    if (!cl.port.empty()) {
        const std::string dir = ComLinkDirectory();
        link = dir + "/" + cl.port;
        if (!MakeDirectories(dir)) {
            std::fprintf(stderr, "zoric-sim: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
            return 1;
        }
        ::unlink(link.c_str());  // a link left behind by a simulator that was killed
        if (::symlink(sim.SlavePath().c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "zoric-sim: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
            return 1;
        }
        std::string slaves = std::to_string(cl.options.slaveAddress);
        for (const std::uint8_t other : cl.options.otherSlaves)
            slaves += "," + std::to_string(other);
        std::printf("%s\n%s -> %s, slave %s, %u baud\n", sim.SlavePath().c_str(), link.c_str(),
                    sim.SlavePath().c_str(), slaves.c_str(), cl.options.baudRate);
    } else {
        std::printf("%s\n", sim.SlavePath().c_str());
    }
    std::vector<ListenAddress> addresses;
    for (const std::string& url : cl.listen) {
        ListenAddress address;
        ParseListenAddress(url, address);
        addresses.push_back(address);
    }
    CNetListener listener(addresses, sim);
    if (!listener.Start()) {
        std::fprintf(stderr, "zoric-sim: %s\n", listener.LastError().c_str());
        return 1;
    }
    for (const std::string& url : listener.Urls())
        std::printf("%s\n", url.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    listener.Stop();
    sim.Stop();
    if (!link.empty())
        RemoveLink(link, sim.SlavePath());
    return 0;
}
