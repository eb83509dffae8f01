#include "PythonErrors.h"

#include <cstring>

#include "ModbusMaster.h"

namespace PythonErrors {
namespace {

struct Class {
    const char* name;
    const char* base;  // nullptr: Exception
    const char* doc;
    PyObject* type;
};

// Kept for the life of the process: the module's classes outlive any one
// reference to them.
Class g_classes[] = {
    {"Error", nullptr,
     "Every failure of the drive or the link. .code: the result code (the drive's exception, 128 to 131 the\n"
     "master's own) or None; .text: what happened, in the language of the messages.",
     nullptr},
    {"ModbusError", "Error", "The drive answered with an exception, or its answer was not a good one.", nullptr},
    {"Timeout", "Error", "The drive did not answer within the time-out.", nullptr},
    {"PortLost", "Error", "The port's device went away (unplugged, switched off, the far end closed).", nullptr},
    {"SdoAbort", "Error", "The drive aborted an SDO transfer; .code is the abort code.", nullptr},
};

PyObject* ClassOf(const char* name)
{
    for (const Class& c : g_classes)
        if (std::strcmp(c.name, name) == 0) return c.type;
    return g_classes[0].type;
}

}  // namespace

void Define(py::module_& module)
{
    for (Class& c : g_classes) {
        const std::string qualified = std::string("zoric.") + c.name;
        PyObject* base = c.base ? ClassOf(c.base) : PyExc_Exception;
        c.type = PyErr_NewExceptionWithDoc(qualified.c_str(), c.doc, base, nullptr);
        if (!c.type) throw py::error_already_set();
        module.add_object(c.name, py::handle(c.type));
    }
}

void Raise(const char* kind, const std::string& text, std::optional<int64_t> code, py::object report)
{
    py::handle type = ClassOf(kind);
    const auto message = py::reinterpret_steal<py::str>(
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
    py::object error = type(message);
    error.attr("code") = code ? py::object(py::int_(*code)) : py::object(py::none());
    error.attr("text") = message;
    error.attr("report") = report;
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void RaiseResult(ModbusResult result, const CModbusMaster& master)
{
    const std::string text = CModbusMaster::ResultText(result);
    if (result == kResultTimeout) Raise("Timeout", text, result);
    if (result == kResultPortNotOpen && master.IsPortLost())
        Raise("PortLost", "lost the port " + master.PortName() + ": " + text, result);
    if (result == kResultPortNotOpen) Raise("Error", text, result);
    Raise("ModbusError", text, result);
}

void RaiseFailure(const Backup::Failure& failure, const CModbusMaster& master)
{
    if (failure.aborted) Raise("SdoAbort", Backup::FailureText(failure), failure.abortCode);
    RaiseResult(failure.result, master);
}

CPending::~CPending()
{
    if (!m_pending) return;
    // Dropped without being raised (a call that failed otherwise first).
    py::gil_scoped_acquire gil;
    Py_XDECREF(m_type);
    Py_XDECREF(m_value);
    Py_XDECREF(m_trace);
}

bool CPending::CheckSignals()
{
    if (m_pending) return true;
    if (PyErr_CheckSignals() == 0) return false;
    Keep();
    return true;
}

void CPending::Keep()
{
    if (m_pending) {
        PyErr_Clear();  // the first one counts
        return;
    }
    PyErr_Fetch(&m_type, &m_value, &m_trace);
    m_pending = true;
}

void CPending::RaiseIfPending()
{
    if (!m_pending) return;
    m_pending = false;
    PyErr_Restore(m_type, m_value, m_trace);
    m_type = m_value = m_trace = nullptr;
    throw py::error_already_set();
}

}  // namespace PythonErrors
