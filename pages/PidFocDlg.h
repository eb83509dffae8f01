#pragma once
// CPidFocDlg: tab "PID和FOC参数". Reads and writes the PID gains and the FOC
// settings, and runs the drive's automatic Hall-phase calibration on the
// link.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "FieldBinding.h"
#include "ModbusResult.h"
#include "ProcedureRun.h"

namespace Ui {
class CPidFocDlg;
}

class CPidFocDlg : public QWidget {
    Q_OBJECT
public:
    explicit CPidFocDlg(QWidget* parent = nullptr);
    ~CPidFocDlg() override;

    // Moves the stored values from the controls (true) or to them (false).
    void UpdateData(bool fromControls);

    bool IsCalibrating() const { return m_calibration->Running(); }

private:
    void OnPidRead();
    void OnPidConfigure();
    void OnFocRead();
    void OnFocConfigure();
    void OnCalibrate();
    void EndCalibration(const ProcedureRunner::Report& report);

    std::unique_ptr<Ui::CPidFocDlg> ui;

    // The fields' stored values, empty or 0 until a read.
    CFieldBinding m_fields;

    CProcedureRun* m_calibration = nullptr;
};
