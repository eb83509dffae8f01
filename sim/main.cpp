// zoric-sim: a simulated drive on a pseudo-terminal, optionally published
// as a COM port name for the tool and reachable over TCP (--listen). Windows
// has no pseudo-terminal: there the drive is reached over TCP only.
#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#else
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "DriveSimulator.h"
#endif

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "NetListener.h"
#include "SimCommandLine.h"
#include "SimulatedLine.h"

using namespace zoric::sim;

namespace {

// Ends the program cleanly on the system's stop requests: SIGINT, SIGTERM
// and SIGHUP on Linux; Ctrl-C, Ctrl-Break and closing the console on
// Windows. Made before any thread starts.
class CStopRequest {
public:
    CStopRequest();
    void Wait();
    // Everything is stopped: a console that is being closed may go.
    void Done();

#ifdef _WIN32
private:
    // Never destroyed: the console's handler thread may still wait on it
    // while the process ends.
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool requested = false;
        bool done = false;
    };
    static State& Shared()
    {
        static State* state = new State;
        return *state;
    }
    static BOOL WINAPI OnConsoleEvent(DWORD event);
#else
private:
    sigset_t m_signals;
#endif
};

#ifdef _WIN32
CStopRequest::CStopRequest() { ::SetConsoleCtrlHandler(&CStopRequest::OnConsoleEvent, TRUE); }

// Runs on a thread of its own. Windows ends the process as soon as the
// handler of a closing console returns, so that one waits for Done().
BOOL WINAPI CStopRequest::OnConsoleEvent(DWORD event)
{
    State& s = Shared();
    std::unique_lock lock(s.mutex);
    s.requested = true;
    s.changed.notify_all();
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        s.changed.wait_for(lock, std::chrono::seconds(4), [&] { return s.done; });
    return TRUE;
}

void CStopRequest::Wait()
{
    State& s = Shared();
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.requested; });
}

void CStopRequest::Done()
{
    State& s = Shared();
    std::lock_guard lock(s.mutex);
    s.done = true;
    s.changed.notify_all();
}
#else
// The signals are blocked in every thread and taken by Wait().
CStopRequest::CStopRequest()
{
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigaddset(&m_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
}

void CStopRequest::Wait()
{
    int signal = 0;
    sigwait(&m_signals, &signal);
}

void CStopRequest::Done() {}
#endif

// Starts the network ends and prints their names; false (said why) when one
// cannot listen.
bool StartListener(CNetListener& listener)
{
    if (!listener.Start()) {
        std::fprintf(stderr, "zoric-sim: %s\n", listener.LastError().c_str());
        return false;
    }
    for (const std::string& url : listener.Urls()) std::printf("%s\n", url.c_str());
    std::fflush(stdout);
    return true;
}

std::vector<ListenAddress> ListenAddresses(const SimCommandLine& cl)
{
    std::vector<ListenAddress> addresses;
    for (const std::string& url : cl.listen) {
        ListenAddress address;
        ParseListenAddress(url, address);
        addresses.push_back(address);
    }
    return addresses;
}

#ifdef _WIN32
int Serve(const SimCommandLine& cl)
{
    if (!cl.port.empty()) {
        std::fprintf(stderr,
                     "zoric-sim: --port %s needs a pseudo-terminal, which Windows does not have; "
                     "use --listen tcp://HOST:PORT or rtu+tcp://HOST:PORT\n",
                     cl.port.c_str());
        return 2;
    }
    if (cl.listen.empty()) {
        std::fprintf(stderr,
                     "zoric-sim: on Windows the drive is reached over TCP only: give --listen "
                     "tcp://HOST:PORT or --listen rtu+tcp://HOST:PORT (see --help)\n");
        return 2;
    }
    CStopRequest stop;
    CSimulatedLine line(cl.options);
    CNetListener listener(ListenAddresses(cl), line);
    if (!StartListener(listener)) return 1;
    stop.Wait();
    listener.Stop();
    stop.Done();
    return 0;
}
#else
bool MakeDirectories(const std::string& path)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
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
    if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == target) ::unlink(link.c_str());
}

int Serve(const SimCommandLine& cl)
{
    CStopRequest stop;
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
        for (const std::uint8_t other : cl.options.otherSlaves) slaves += "," + std::to_string(other);
        std::printf("%s\n%s -> %s, slave %s, %u baud\n", sim.SlavePath().c_str(), link.c_str(), sim.SlavePath().c_str(),
                    slaves.c_str(), cl.options.baudRate);
    } else {
        std::printf("%s\n", sim.SlavePath().c_str());
    }
    CNetListener listener(ListenAddresses(cl), sim);
    if (!StartListener(listener)) {
        if (!link.empty()) RemoveLink(link, sim.SlavePath());
        return 1;
    }
    stop.Wait();
    listener.Stop();
    sim.Stop();
    if (!link.empty()) RemoveLink(link, sim.SlavePath());
    stop.Done();
    return 0;
}
#endif

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
    return Serve(cl);
}
