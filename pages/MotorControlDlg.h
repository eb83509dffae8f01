#pragma once
// CMotorControlDlg: tab "电机控制". Drives the motor directly: PWM duty and
// commutation-frequency commands, stop with a stop mode, positioning moves,
// and the four ramp settings. Every command is one transaction on the drive
// link; the page has no worker.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "FieldBinding.h"
#include "ModbusResult.h"

class CModbusMaster;
class QPushButton;

namespace Ui {
class CMotorControlDlg;
}
class QTimer;

class CMotorControlDlg : public QWidget {
    Q_OBJECT
public:
    explicit CMotorControlDlg(QWidget* parent = nullptr);
    ~CMotorControlDlg() override;

    // Moves the stored values from the controls (true) or to them (false).
    void UpdateData(bool fromControls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTimer();
    void RefreshLabels(int x10);
    void ApplyMaxFrequencyRule();
    void OnPositionRangeChanged();
    void OnPwmApply();
    void OnFrequencyApply();
    void OnStop();
    void OnPositionApply();
    void OnRampRead();
    void OnRampSet();
    void ShowResult(ModbusResult result);
    // Runs a one-transaction command of `trigger` on the link.
    void SendCommand(QPushButton* trigger, std::function<ModbusResult(CModbusMaster&, uint8_t)> command);
    static int SpeedRangeX10();

    std::unique_ptr<Ui::CMotorControlDlg> ui;
    QTimer* m_timer = nullptr;
    bool m_rewritingRange = false;

    // Stored values: the ramps' fields, and the texts, choices and slider positions of the commands.
    CFieldBinding m_fields;
    QString m_maxFrequency = QStringLiteral("1000.0");
    QString m_moveFrequency = QStringLiteral("500.0");
    QString m_positionRange = QStringLiteral("10000");
    int m_pwmPosition = 0;
    int m_frequencyPosition = 0;
    int m_targetPosition = 0;
    int m_stopMode = 0;      // 0 normal, 1 emergency, 2 free
    int m_positionType = 0;  // 0 absolute, 1 relative
    // The speed-range flag as this page last applied it.
    int m_speedRangeCopy = 0;
};
