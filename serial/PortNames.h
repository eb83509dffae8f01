#pragma once
// Port names as the connection combo shows them: "COM1".."COM15" and device
// paths. On Linux "COMn" resolves to $ZORIC_COM_DIR/COMn when that link
// exists (the simulator publishes itself there), otherwise to /dev/ttyS(n-1);
// on Windows to "\\.\COMn", the form every COM number opens by.

#include <cstdint>
#include <string>
#include <vector>

std::string ComLinkDirectory();
// Where a simulator publishes COM<portNumber>: $ZORIC_COM_DIR/COMn; empty on
// Windows, where nothing is published.
std::string ComLinkPath(uint32_t portNumber);
std::string ComPortDevice(uint32_t portNumber);
// The n of "COMn" (any case, n >= 1); 0 for any other name.
uint32_t ComNumber(const std::string& name);
// "COM3" (any case) resolves as above; anything else is taken as a device path.
std::string ResolvePortName(const std::string& name);
// What carries the frames of a port, told by its name alone: a serial
// device ("COM3", a path), a Modbus TCP gateway ("tcp://HOST[:PORT]", port
// 502 when omitted) or a serial device server passing RTU frames through
// ("rtu+tcp://HOST:PORT"). HOST is a name, an IPv4 address or an IPv6
// literal in brackets ("[::1]"). "sim://" (with options after "?", e.g.
// "sim://?slaves=1,3") is a simulated drive inside the tool's own process.
enum class PortKind { Serial, ModbusTcp, RtuOverTcp, Simulated };
constexpr int kPortKinds = 4;
PortKind PortKindOf(const std::string& name);
inline bool IsNetworkPort(const std::string& name)
{
    const PortKind kind = PortKindOf(name);
    return kind == PortKind::ModbusTcp || kind == PortKind::RtuOverTcp;
}
// Whether baud rate and parity mean anything for the port: only on a
// serial line of this machine.
inline bool HasLineSettings(const std::string& name) { return PortKindOf(name) == PortKind::Serial; }

struct NetworkPort {
    PortKind kind = PortKind::ModbusTcp;
    std::string host;  // without the brackets of an IPv6 literal
    uint16_t port = 0;
};
// Splits a network port name; false for a serial name or a malformed one
// (no host, a port missing where required, out of 1..65535, not a number).
bool ParseNetworkPort(const std::string& name, NetworkPort& out);

// Serial ports present on this machine: on Linux the devices /dev/ttyUSB*,
// /dev/ttyACM*, /dev/serial/by-id/*; on Windows the "COMn" names the system
// lists (HARDWARE\DEVICEMAP\SERIALCOMM), in the order of their numbers.
std::vector<std::string> ListSerialDevices();
// What the user reads for a port of that list: on Windows the device's
// friendly name ("USB-SERIAL CH340 (COM7)") where the system has one;
// otherwise the name itself.
std::string SerialPortLabel(const std::string& name);
