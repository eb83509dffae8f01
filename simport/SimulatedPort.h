#pragma once
// The drive inside the tool: the port "sim://" is a line of simulated drives
// in this process (the simulator's drive model), behind a transport of its
// own. It joins protocol/ and sim/, which know nothing of each other.
//
// Options follow "?" as the simulator's own, without their dashes:
// "sim://?slaves=1,3,5", "sim://?fault=no-answer=0.01&time-scale=0.05",
// "sim://?pacing&baud=115200"; "name=TEXT" tells apart drives of the same
// options ("sim://?name=motor-a"). A name's drives live as long as the program,
// so a port closed and opened again finds them as it left them; one master
// holds a name at a time, as one program holds a COM port.

#include <memory>
#include <string>

#include "SimOptions.h"

namespace zoric::sim {
class CSimulatedLine;
}

namespace SimulatedPort {

// Makes "sim://" a port of every master made from now on (call before the
// first master is made).
void Enable();

// The options a sim:// name asks for; false with the reason in `error`.
bool ParseOptions(const std::string& name, zoric::sim::SimOptions& options, std::string& error);

// The drives behind a sim:// name, made on first use: for tests, and for
// what the tool does to its own drive without Modbus. nullptr for a name
// whose options do not parse.
std::shared_ptr<zoric::sim::CSimulatedLine> Line(const std::string& name);
// Forgets the drives of a name that no master holds: the next open makes
// new ones. False while a master holds it.
bool Forget(const std::string& name);

}  // namespace SimulatedPort
