#pragma once
// Port names as the connection combo shows them: "COM1".."COM15" and device
// paths. "COMn" resolves to $ZORIC_COM_DIR/COMn when that link exists (the
// simulator publishes itself there), otherwise to /dev/ttyS(n-1).

#include <cstdint>
#include <string>
#include <vector>

std::string ComLinkDirectory();
// Where a simulator publishes COM<portNumber>: $ZORIC_COM_DIR/COMn.
std::string ComLinkPath(uint32_t portNumber);
std::string ComPortDevice(uint32_t portNumber);
// The n of "COMn" (any case, n >= 1); 0 for any other name.
uint32_t ComNumber(const std::string& name);
// "COM3" (any case) resolves as above; anything else is taken as a device path.
std::string ResolvePortName(const std::string& name);
// Serial devices present on this machine (/dev/ttyUSB*, /dev/ttyACM*, /dev/serial/by-id/*).
std::vector<std::string> ListSerialDevices();
