#pragma once
// CMotorParamDlg: tab "电机参数". Reads and writes the motor-parameter block
// (among it the speed-range switch that sets the frequency unit of the whole
// tool) and runs the drive's motor learning on the link.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "FieldBinding.h"
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

    std::unique_ptr<Ui::CMotorParamDlg> ui;

    // The fields' stored values, all empty and both lists unselected until the first read.
    CFieldBinding m_fields;

    CProcedureRun* m_learning = nullptr;
};
