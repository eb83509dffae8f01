#pragma once
// The module's exceptions: zoric.Error, and below it ModbusError (the
// drive's exception or a bad answer), Timeout, PortLost and SdoAbort, each
// with .code and .text; and what turns the libraries' results into them.
// Every function here is called with the GIL held.

#include <pybind11/pybind11.h>

#include <atomic>
#include <optional>
#include <string>

#include "DriveConfig.h"
#include "ModbusResult.h"

class CModbusMaster;

namespace PythonErrors {

namespace py = pybind11;

// Makes the classes and adds them to the module.
void Define(py::module_& module);

// Raises zoric.Error (or a subclass by name: "ModbusError", ...) with the
// text and, when given, the code; `report` is kept as .report.
[[noreturn]] void Raise(const char* kind, const std::string& text, std::optional<int64_t> code = std::nullopt,
                        py::object report = py::none());
// A link result: Timeout, PortLost (the line gone), or ModbusError.
[[noreturn]] void RaiseResult(ModbusResult result, const CModbusMaster& master);
// A link result or the drive's SDO abort.
[[noreturn]] void RaiseFailure(const Backup::Failure& failure, const CModbusMaster& master);

// Ctrl-C, or an exception of a callback, met in a long call: kept while
// the call winds down (the stop write sent, the file closed) and raised
// when it returns.
class CPending {
public:
    CPending() = default;
    CPending(const CPending&) = delete;
    CPending& operator=(const CPending&) = delete;
    ~CPending();
    // With the GIL: runs the signal handlers; true (the error kept) when one raised.
    bool CheckSignals();
    // With the GIL: keeps the error being raised.
    void Keep();
    bool Pending() const { return m_pending.load(); }
    // With the GIL: raises what was kept, if anything.
    void RaiseIfPending();

private:
    PyObject* m_type = nullptr;
    PyObject* m_value = nullptr;
    PyObject* m_trace = nullptr;
    std::atomic<bool> m_pending{false};
};

}  // namespace PythonErrors
