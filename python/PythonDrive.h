#pragma once
// zoric.Drive: one drive on a port, on the same core as zoric-cli (the
// master, the configuration files, the procedures, the recording). Every
// exchange runs with the GIL released, so another thread can poll while one
// waits; the master keeps one transaction on the line at a time.

#include <pybind11/pybind11.h>

#include <atomic>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "ModbusMaster.h"
#include "ScriptJson.h"

namespace py = pybind11;

// The documents of scripting/ as Python objects (dicts keep their order).
py::object ToPython(const ScriptJson::Json& json);

// The parity word a line setting is given by ("n,8,2"); -1 for none.
int ParityIndex(const std::string& parity);

class CPythonDrive {
public:
    CPythonDrive(const std::string& port, int slave, int baud, const std::string& parity, double timeout);
    ~CPythonDrive();
    CPythonDrive(const CPythonDrive&) = delete;
    CPythonDrive& operator=(const CPythonDrive&) = delete;

    void Close();
    bool IsOpen() const { return m_open.load(); }
    const std::string& Port() const { return m_port; }
    int Slave() const { return m_slave.load(); }
    void SetSlave(int slave);
    std::string Repr() const;

    py::object Info();
    py::object Status(bool full);
    py::object Read(const std::string& key, bool full);
    void Write(const std::string& key, py::handle value);
    py::list ReadRegisters(int start, int count);
    void WriteRegisters(int start, const std::vector<int64_t>& values);
    int64_t SdoRead(int index, int subindex);
    void SdoWrite(int index, int subindex, int64_t value, int size);

    py::object Backup(const std::string& path);
    py::object Diff(const std::string& path);
    py::object Restore(const std::string& path, std::optional<std::vector<std::string>> groups, bool includeComm,
                       bool includeMotorIdentity, bool store, bool dryRun);

    py::object Learn(py::object progress);
    py::object Calibrate(py::object progress);

    py::object Record(const std::string& path, double interval, std::optional<double> duration,
                      std::optional<std::vector<std::string>> channels);
    // One sample of the live status as the recording writes it: "time",
    // "seconds", the channels, "result" (None, or what failed).
    py::object Sample(double seconds);

    CModbusMaster& Master() { return *m_master; }
    // Runs work(master) with the GIL released and the port held open.
    template <typename Work>
    auto Exchange(Work&& work)
    {
        CheckOpen();
        py::gil_scoped_release nogil;
        std::shared_lock hold(m_lock);
        return work(*m_master);
    }
    // Raises zoric.Error when the drive was closed.
    void CheckOpen() const;

private:
    py::object FollowProcedure(uint16_t procedure, py::object progress);

    std::unique_ptr<CModbusMaster> m_master;
    std::shared_mutex m_lock;  // exchanges share it; Close takes it alone
    std::string m_port;
    std::atomic<uint8_t> m_slave{1};  // set by any thread, read by exchanges without the GIL
    std::atomic<bool> m_open{false};  // Close sets it without the GIL
};

namespace PythonScan {

// zoric.scan: the drives that answer on a port, as zoric-cli's scan finds them.
py::list Scan(const std::string& port, std::optional<std::vector<int>> slaves, std::optional<std::vector<int>> bauds,
              std::optional<std::vector<std::string>> parities, std::optional<double> timeout);

}  // namespace PythonScan
