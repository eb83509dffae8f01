// The Python module "zoric": a drive reached as zoric-cli reaches it, in
// Python's manner. The documents it returns are zoric-cli --json's.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "Language.h"
#include "PythonDrive.h"
#include "PythonErrors.h"
#include "SimulatedPort.h"

namespace {

// drive.samples(): the live status read at a period, one dict each.
class CSamples {
public:
    CSamples(py::object drive, double interval, std::optional<int> count)
        : m_drive(std::move(drive)), m_interval(interval), m_count(count), m_start(std::chrono::steady_clock::now())
    {
        if (!(interval >= 0 && interval <= 3600)) throw py::value_error("interval is 0 to 3600 seconds");
        if (count && *count < 0) throw py::value_error("count is 0 or more");
    }

    py::object Next()
    {
        if (m_count && m_taken >= *m_count) throw py::stop_iteration();
        // Due at start + k x interval; a late read is not followed by a burst.
        const auto due = m_start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(m_interval * static_cast<double>(m_taken)));
        PythonErrors::CPending pending;
        while (std::chrono::steady_clock::now() < due) {
            if (pending.CheckSignals()) pending.RaiseIfPending();
            py::gil_scoped_release nogil;
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(20),
                                                              due - std::chrono::steady_clock::now()));
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        ++m_taken;
        // Periods a slow read overran are skipped, as the recording skips them.
        if (m_interval > 0) m_taken = std::max(m_taken, static_cast<int>(seconds / m_interval) + 1);
        CPythonDrive& drive = m_drive.cast<CPythonDrive&>();
        return drive.Sample(seconds);
    }

private:
    py::object m_drive;  // kept alive while iterating
    double m_interval;
    std::optional<int> m_count;
    std::chrono::steady_clock::time_point m_start;
    int m_taken = 0;
};

}  // namespace

PYBIND11_MODULE(zoric, m)
{
    // The drive inside the tool ("sim://") is a port of every master made
    // from now on; the messages speak the environment's language.
    SimulatedPort::Enable();
    SetLanguage(LanguageFromEnvironment());

    m.doc() =
        "A ZORIC drive from Python: the live status, settings by their configuration keys with the pages'\n"
        "scaling and checks, registers, the SDO tunnel, configuration files (backup, diff, restore), the\n"
        "procedures, recording and the scan, on the same core as zoric-cli. Ports are named as zoric-cli\n"
        "names them: COM1, /dev/ttyUSB0, tcp://HOST[:PORT], rtu+tcp://HOST:PORT, sim://.\n"
        "Failures raise zoric.Error or one of its subclasses ModbusError, Timeout, PortLost, SdoAbort.";
#ifdef ZORIC_VERSION
    m.attr("__version__") = ZORIC_VERSION;
#endif
    PythonErrors::Define(m);

    py::class_<CSamples>(m, "Samples", "An iterator of live-status samples (see Drive.samples).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &CSamples::Next);

    py::class_<CPythonDrive>(m, "Drive",
                             "One drive on a port; zoric.open(...) makes one. Use it in a with block, or close() it.")
        .def(py::init<const std::string&, int, int, const std::string&, double>(), py::arg("port"),
             py::arg("slave") = 1, py::arg("baud") = 9600, py::arg("parity") = "n,8,2", py::arg("timeout") = 1.0,
             "Opens the port; see zoric.open.")
        .def("close", &CPythonDrive::Close, "Closes the port. Closing twice is harmless.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](CPythonDrive& d, py::args) { d.Close(); })
        .def("__repr__", &CPythonDrive::Repr)
        .def_property_readonly("is_open", &CPythonDrive::IsOpen, "Whether the port is open.")
        .def_property_readonly("port", &CPythonDrive::Port, "The port's name as given.")
        .def_property("slave", &CPythonDrive::Slave, &CPythonDrive::SetSlave, "The drive's address, 1 to 247.")
        .def("info", &CPythonDrive::Info,
             "The device information (registers 0 to 15): identifier, version, model, PWM resolution and\n"
             "frequency, maximum current, current resolution, whether the x10 speed range exists.")
        .def("status", &CPythonDrive::Status, py::arg("full") = false,
             "The live status (registers 32 to 58) by the recording's column names (speed_rpm, supply_v, ...):\n"
             "each value in the status panel's unit and digits, None where the panel shows none. full=True gives\n"
             "each as {'value', 'raw', 'unit'}, as zoric-cli --json status does.")
        .def("read", &CPythonDrive::Read, py::arg("key"), py::arg("full") = false,
             "A setting by its configuration key ('pid.speed_kp', 'motor.rated_current'), read as its page\n"
             "reads it: a number in the page's unit and digits, a list item's number, 0 or 1 for a check.\n"
             "full=True gives {'raw', 'value', 'unit', 'text'}. KeyError for a key that is no setting.")
        .def("write", &CPythonDrive::Write, py::arg("key"), py::arg("value"),
             "Writes a setting as its page does: the group is read, the value checked with the page's rules\n"
             "(ValueError when it is none of the setting's values), the group written and read back\n"
             "(zoric.Error when it reads back different). The link settings are refused.")
        .def("read_registers", &CPythonDrive::ReadRegisters, py::arg("start"), py::arg("count"),
             "count (1 to 125) holding registers from start, as unsigned 16-bit values.")
        .def("write_registers", &CPythonDrive::WriteRegisters, py::arg("start"), py::arg("values"),
             "Writes the values (0 to 65535, or -32768 to -1) from start: one with function 6, more with 16.")
        .def("sdo_read", &CPythonDrive::SdoRead, py::arg("index"), py::arg("subindex"),
             "One object through the SDO tunnel; zoric.SdoAbort when the drive aborts.")
        .def("sdo_write", &CPythonDrive::SdoWrite, py::arg("index"), py::arg("subindex"), py::arg("value"),
             py::arg("size"), "Downloads value in size (1 to 4) bytes through the SDO tunnel.")
        .def("backup", &CPythonDrive::Backup, py::arg("path"),
             "Saves the drive's whole configuration to path (the file zoric-cli backup writes); returns\n"
             "{'slave', 'file', 'settings'}. Ctrl-C stops it between groups.")
        .def("diff", &CPythonDrive::Diff, py::arg("path"),
             "Compares the drive with the file at path; returns zoric-cli --json diff's document:\n"
             "{'slave', 'first': 'drive', 'second': path, 'equal', 'differences': [{'key', 'first', 'second'}]}.")
        .def("restore", &CPythonDrive::Restore, py::arg("path"), py::kw_only(), py::arg("groups") = py::none(),
             py::arg("include_comm") = false, py::arg("include_motor_identity") = false, py::arg("store") = false,
             py::arg("dry_run") = false,
             "Loads the file at path into the drive as zoric-cli restore --yes does (checked whole first, the\n"
             "motor group first, each group read back) and returns its --json report: {'slave', 'file', 'plan',\n"
             "'load', 'stored'}. dry_run=True only plans. A refused or incomplete load raises zoric.Error with\n"
             "the report in .report.")
        .def("learn", &CPythonDrive::Learn, py::arg("progress") = py::none(),
             "Runs motor learning to its end and returns {'procedure', 'outcome', 'text', 'phase_sequence'}.\n"
             "progress(seconds, step) is called every 250 ms with the GIL held; Ctrl-C, or an exception of\n"
             "progress, stops the procedure in the drive and is raised. A failed procedure raises zoric.Error.")
        .def("calibrate", &CPythonDrive::Calibrate, py::arg("progress") = py::none(),
             "Runs the FOC phase calibration (the motor turns: no load) and returns {'procedure', 'outcome',\n"
             "'text', 'phase_offset', 'phase_advance'}; progress and Ctrl-C as for learn().")
        .def("record", &CPythonDrive::Record, py::arg("path"), py::arg("interval") = 0.1,
             py::arg("duration") = py::none(), py::arg("channels") = py::none(),
             "Records the live status into a CSV file as zoric-cli record does, every interval seconds (0: as\n"
             "fast as the line allows) for duration seconds, or until Ctrl-C (the file complete, then raised).\n"
             "Returns the summary: rows, failed_reads, skipped_periods, seconds, rows_per_second, end.")
        .def(
            "samples",
            [](py::object self, double interval, std::optional<int> count) {
                return CSamples(std::move(self), interval, count);
            },
            py::arg("interval") = 0.1, py::arg("count") = py::none(),
            "An iterator of live-status samples every interval seconds (count of them, or without end): dicts\n"
            "of 'time', 'seconds', the channels and 'result' (None, or what failed: the values are None then).");

    m.def(
        "open",
        [](const std::string& port, int slave, int baud, const std::string& parity, double timeout) {
            return std::make_unique<CPythonDrive>(port, slave, baud, parity, timeout);
        },
        py::arg("port"), py::arg("slave") = 1, py::arg("baud") = 9600, py::arg("parity") = "n,8,2",
        py::arg("timeout") = 1.0,
        "Opens a drive: port as zoric-cli names it (COM1, a device, tcp://HOST[:PORT], rtu+tcp://HOST:PORT,\n"
        "sim://), the slave address, the line's baud rate and parity ('n,8,2', 'o,8,1', 'e,8,1', 'n,8,1';\n"
        "others raise ValueError) and the response time-out in seconds. zoric.Error when it cannot be opened.");
    m.def("scan", &PythonScan::Scan, py::arg("port"), py::kw_only(), py::arg("slaves") = py::none(),
          py::arg("bauds") = py::none(), py::arg("parities") = py::none(), py::arg("timeout") = py::none(),
          "Looks for drives on a port as zoric-cli scan does: each slave address (default 1 to 247) at each baud\n"
          "rate (default 9600) and parity (default 'n,8,2'); returns a list of {'slave', 'baud', 'parity',\n"
          "'model', 'identifier', 'version'}. Ctrl-C stops it within one probe.");
    m.def(
        "set_language",
        [](const std::string& code) {
            Language language;
            if (!LanguageFromCode(code, language)) throw py::value_error("language is zh or en");
            SetLanguage(language);
        },
        py::arg("code"), "The language of the texts of errors and reports: 'zh' or 'en'.");
}
