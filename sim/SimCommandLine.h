#pragma once
#include <string>
#include <vector>

#include "SimOptions.h"

namespace zoric::sim {

// What zoric-sim was asked to do.
struct SimCommandLine {
    SimOptions options;
    std::string port;  // e.g. "COM1": publish the pty under this name
    // Network ends of the line: "tcp://HOST:PORT" (a Modbus TCP gateway),
    // "rtu+tcp://HOST:PORT" (a serial device server).
    std::vector<std::string> listen;
    bool help = false;
    std::string error;  // set when the arguments are unusable
};

SimCommandLine ParseSimCommandLine(int argc, const char* const* argv);
std::string SimUsage();

// Where "COMn" names live: $ZORIC_COM_DIR, else ${XDG_RUNTIME_DIR:-/tmp}/zoric-com.
std::string ComLinkDirectory();

}  // namespace zoric::sim
