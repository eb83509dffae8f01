#pragma once
// CMotorParamDlg: tab "电机参数". Reads and writes the motor-parameter block
// (among it the speed-range switch that sets the frequency unit of the whole
// tool) and runs the drive's motor learning on the link.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "ModbusResult.h"
#include "MotorParams.h"
#include "ProcedureRun.h"

namespace Ui {
class CMotorParamDlg;
}

class CMotorParamDlg : public QWidget {
    Q_OBJECT
public:
    explicit CMotorParamDlg(QWidget* parent = nullptr);
    ~CMotorParamDlg() override;

    // Moves the stored values from the controls (true) or to them (false).
    void UpdateData(bool fromControls);

    bool IsLearning() const { return m_learning->Running(); }

signals:
    // The motor has learned its phase sequence: the Hall offset is set next.
    void learned();

private:
    void OnRead();
    void OnConfigure();
    // The block as read into the stored values (and the shared speed-range
    // flag), and the stored values as a block with frequencies in whole Hz
    // (x10) or tenths.
    void StoreRead(const MotorParams& params);
    MotorParams BuildParams(bool x10) const;
    void OnStartLearning();
    void EndLearning(const ProcedureRunner::Report& report);
    void ShowResult(ModbusResult result);

    std::unique_ptr<Ui::CMotorParamDlg> m_ui;

    // Stored values; all empty and both lists unselected until the first read.
    QString m_pwmStartRamp, m_pwmStopRamp;
    QString m_maxAcceleration, m_defaultAcceleration, m_maxDeceleration, m_defaultDeceleration;
    QString m_maxFrequency, m_defaultFrequency;
    QString m_ratedCurrent, m_maxLoadCurrent, m_brakeCurrent;
    QString m_phaseSequence;
    QString m_positionTolerance, m_poleCount, m_gearRatio, m_holdCurrent;
    QString m_overloadMultiple, m_overloadDuration;
    int m_speedAlgorithm = -1;
    int m_learningState = -1;
    int m_overshootCorrection = 0;
    int m_learningDisabled = 0;
    int m_speedRangeX10 = 0;
    int m_detectInitialSpeed = 0;
    // Registers 112 and 117 as last read: sent back unchanged when their list
    // shows no item (a value the list has no entry for).
    uint16_t m_readSpeedAlgorithm = 0;
    uint16_t m_readLearningState = 0;

    CProcedureRun* m_learning = nullptr;
};
