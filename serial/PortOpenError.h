#pragma once
// Why a serial port did not open, as the windows and zoric-cli tell the user
// after "打开串口失败: COM1": the kind of failure, the system's error number
// and what the port name resolved to. Each front end words it itself.

#include <string>

enum class PortOpenReason {
    None,                  // opened
    NoDevice,              // nothing at that path, or no hardware behind it
    InUse,                 // another program (or another handle of ours) holds it
    PermissionDenied,      // the user may not open the device
    SettingsNotSupported,  // the port refused the baud rate, parity or stop bits
    NotSerial,             // the path is not a terminal device
    BadAddress,            // a network port name that does not parse ("tcp://host:99999")
    HostNotFound,          // the host name does not resolve
    Refused,               // nothing listens at that address and port
    Unreachable,           // no route to the host or its network
    TimedOut,              // the connect took longer than the response time-out
    ConnectionLost,        // the far end closed the connection while it was being set up
    BadOptions,            // "sim://?..." asks for what the simulated drive does not have (device: why)
    Other,                 // any other error of the system
};

struct PortOpenError {
    PortOpenReason reason = PortOpenReason::None;
    int error = 0;            // the system's error number of the call that failed (errno;
                              // on Windows GetLastError or WSAGetLastError); 0 when none applies
    std::string name;         // the port as the caller named it ("COM3", a path, "tcp://host:502")
    std::string device;       // the path tried: what "COMn" resolved to; for a network
                              // port the address tried ("192.0.2.7:502")
    std::string mode;         // the line settings asked for ("9600,n,8,2")
    int holderPid = 0;        // InUse: the process holding the port, when it can be found
    std::string holderName;   // ... and its command name
    std::string deviceGroup;  // PermissionDenied: the group that may open the device

    bool Failed() const { return reason != PortOpenReason::None; }
};

// The reason of an error from opening a device (errno from open(2); on
// Windows the error of CreateFile).
PortOpenReason OpenReasonOf(int error);

// The system's own text for an error number of `PortOpenError::error`, in
// UTF-8.
std::string SystemErrorText(int error);

// Why a port did not open, in words (English): the reason with the path
// the name resolved to, the holder of the lock, the remedy for a
// permission; zoric-cli and the scripting module say it.
std::string OpenFailureText(const PortOpenError& error);

// Fills the details a reason has (the lock holder, the device's group) from
// the system; `error.device` must be set.
void AddOpenFailureDetails(PortOpenError& error);

// The process holding an advisory lock on `device` (from /proc/locks), or 0.
int LockHolderOf(const std::string& device);
