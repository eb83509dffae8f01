#pragma once
// The page "安全保护": the drive's protection limits and measurement
// calibrations, one block of registers 256..269.

#include <QString>
#include <QWidget>
#include <memory>

#include "SafetyParams.h"

namespace Ui {
class CSafetyDlg;
}

class CSafetyDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSafetyDlg(QWidget* parent = nullptr);
    ~CSafetyDlg() override;

    // Moves the stored values to the controls (false) or back (true).
    void UpdateData(bool fromControls);

private:
    void OnRead();
    void OnWrite();

    void StoreRead(const SafetyParams& params);
    SafetyParams BuildParams() const;

    std::unique_ptr<Ui::CSafetyDlg> ui;

    // Stored values.
    QString m_overTempShutdown;
    QString m_overTempLimit;
    QString m_overVoltage;
    QString m_underVoltage;
    QString m_overCurrent;
    QString m_hallErrorTime;
    QString m_tempFactor, m_tempOffset;
    QString m_voltageFactor, m_voltageOffset;
    int m_dynamicCurrentPid = 0;
    int m_clearOverTemp = 0;
};
