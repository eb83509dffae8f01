#pragma once
// The page "系统参数": the drive's input and signal configuration, held in two
// register blocks (128..143 and 150..155) that are always read and written
// together, the second only after the first succeeded.

#include <QString>
#include <QWidget>
#include <memory>

#include "SystemParams.h"
#include "SystemParamsExt.h"

namespace Ui {
class CSystemParamDlg;
}

class CSystemParamDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSystemParamDlg(QWidget* parent = nullptr);
    ~CSystemParamDlg() override;

    // Moves the stored values to the controls (false) or back (true).
    void UpdateData(bool fromControls);

private:
    void OnRead();
    void OnWrite();
    void OnAnalogTypeSelected();
    void OnLogicTypeSelected();

    void StoreRead(const SystemParams& params, const SystemParamsExt& ext);
    SystemParams BuildParams() const;
    SystemParamsExt BuildExt() const;

    std::unique_ptr<Ui::CSystemParamDlg> ui;

    // Stored values: combo indices (-1 = no selection), texts, the check box.
    int m_limitPolarity = -1;
    int m_digitalPolarity = -1;
    int m_potUsage = -1;
    int m_pulseType = -1;
    int m_analogType = -1;
    int m_logicType = -1;
    int m_portInputType = -1;
    int m_portControlType = -1;
    int m_buzzerDisabled = 0;
    QString m_potLow, m_potHigh;
    QString m_analogLow, m_analogHigh;
    QString m_logicThreshold;
    QString m_deadZone;
    QString m_pulseMultiplier;
    QString m_stallTime;
    QString m_analogFactor, m_analogOffset;
};
