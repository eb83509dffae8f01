#pragma once
// zoric-cli and its port: opening it with the reason of a failure after
// "打开串口失败: NAME", and the end of a command whose line was lost.

#include <iosfwd>
#include <string>

#include "PortOpenError.h"

class CModbusMaster;
struct CliArguments;

namespace Cli {

// Opens the port named on the command line; on failure prints
// "打开串口失败: NAME: reason" and returns false.
bool OpenCommandPort(CModbusMaster& master, const CliArguments& a, std::ostream& err);

// A command's exit code, unless the port's line was lost meanwhile: then
// says so once and gives kExitLostLine.
int CheckLostLine(const CModbusMaster& master, int code, std::ostream& err);

}  // namespace Cli
