#include "SimulatedPort.h"

#include <map>
#include <mutex>
#include <vector>

#include "LinkTransport.h"
#include "SimCommandLine.h"
#include "SimTransport.h"
#include "SimulatedLine.h"

namespace SimulatedPort {
namespace {

constexpr char kScheme[] = "sim://";

// What a sim:// name may ask of the simulator: its options, less the ones
// that place it on a device or a network, or write a file of the user's.
bool Allowed(const std::string& key)
{
    for (const char* refused : {"port", "listen", "state", "help", "version", "h"})
        if (key == refused) return false;
    return true;
}

struct Entry {
    std::shared_ptr<zoric::sim::CSimulatedLine> line;
    bool held = false;
};

std::mutex g_lock;
std::map<std::string, Entry> g_lines;  // by the name as normalised by Key()

// The scheme in lower case, the rest as written.
std::string Key(const std::string& name) { return kScheme + name.substr(std::char_traits<char>::length(kScheme)); }

std::shared_ptr<zoric::sim::CSimulatedLine> LineLocked(const std::string& name)
{
    zoric::sim::SimOptions options;
    std::string error;
    if (!ParseOptions(name, options, error)) return nullptr;
    Entry& entry = g_lines[Key(name)];
    if (!entry.line) entry.line = std::make_shared<zoric::sim::CSimulatedLine>(options);
    return entry.line;
}

}  // namespace

void Enable()
{
    RegisterTransport(PortKind::Simulated,
                      [](PortKind) -> std::unique_ptr<ILinkTransport> { return std::make_unique<CSimTransport>(); });
}

bool ParseOptions(const std::string& name, zoric::sim::SimOptions& options, std::string& error)
{
    if (PortKindOf(name) != PortKind::Simulated) {
        error = "not a sim:// name";
        return false;
    }
    std::string rest = name.substr(std::char_traits<char>::length(kScheme));
    if (!rest.empty() && rest[0] == '?') rest.erase(0, 1);
    else if (!rest.empty()) {
        error = "options come after '?': sim://?slaves=1,3";
        return false;
    }
    // The simulator's command line, from key=value pairs.
    std::vector<std::string> words = {"zoric-sim"};
    size_t at = 0;
    while (at < rest.size()) {
        size_t end = rest.find('&', at);
        if (end == std::string::npos) end = rest.size();
        const std::string pair = rest.substr(at, end - at);
        at = end + 1;
        if (pair.empty()) continue;
        const size_t equals = pair.find('=');
        std::string key = pair.substr(0, equals);
        if (key == "name") continue;         // tells apart drives of the same options
        if (key == "slaves") key = "slave";  // one drive or several, the same option
        if (!Allowed(key)) {
            error = "'" + key + "' is not an option of the simulated drive";
            return false;
        }
        words.push_back("--" + key);
        if (equals != std::string::npos) words.push_back(pair.substr(equals + 1));
    }
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    const zoric::sim::SimCommandLine parsed =
        zoric::sim::ParseSimCommandLine(static_cast<int>(argv.size()), argv.data());
    if (!parsed.error.empty()) {
        error = parsed.error;
        return false;
    }
    options = parsed.options;
    return true;
}

std::shared_ptr<zoric::sim::CSimulatedLine> Line(const std::string& name)
{
    std::lock_guard<std::mutex> g(g_lock);
    return LineLocked(name);
}

bool Forget(const std::string& name)
{
    std::lock_guard<std::mutex> g(g_lock);
    const auto found = g_lines.find(Key(name));
    if (found == g_lines.end()) return true;
    if (found->second.held) return false;
    g_lines.erase(found);
    return true;
}

// The transport's side: one master holds a name at a time.
std::shared_ptr<zoric::sim::CSimulatedLine> Claim(const std::string& name, bool& inUse)
{
    std::lock_guard<std::mutex> g(g_lock);
    inUse = false;
    std::shared_ptr<zoric::sim::CSimulatedLine> line = LineLocked(name);
    if (!line) return nullptr;
    Entry& entry = g_lines[Key(name)];
    if (entry.held) {
        inUse = true;
        return nullptr;
    }
    entry.held = true;
    return line;
}

void Release(const std::string& name)
{
    std::lock_guard<std::mutex> g(g_lock);
    const auto found = g_lines.find(Key(name));
    if (found != g_lines.end()) found->second.held = false;
}

}  // namespace SimulatedPort
