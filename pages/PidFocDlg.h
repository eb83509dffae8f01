#pragma once
// CPidFocDlg: tab "PID和FOC参数". Reads and writes the PID gains and the FOC
// settings, and runs the drive's automatic Hall-phase calibration on the
// link.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

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

    std::unique_ptr<Ui::CPidFocDlg> m_ui;

    // Stored values, empty or 0 until a read.
    QString m_speedKp, m_speedKi, m_speedKd;
    QString m_positionKp, m_positionKi, m_positionKd;
    QString m_selfLockKp, m_selfLockKi, m_selfLockKd;
    int m_openLoop = 0, m_speedLoop = 0, m_positionLoop = 0;
    QString m_maxSpeed, m_maxDeceleration, m_phaseOffset, m_phaseAdvance;
    QString m_fluxKp, m_fluxKi, m_fluxDisableCurrent;
    int m_squareWaveStart = 0, m_selfLockAfterStop = 0;
    // Registers 771 and 779 as last read: they have no control, and the
    // write sends them back so that the drive keeps its settings.
    uint16_t m_read771 = 0, m_read779 = 0;

    CProcedureRun* m_calibration = nullptr;
};
