#pragma once
// The page "安全保护": the drive's protection limits and measurement
// calibrations, one block of registers 256..269.

#include <QString>
#include <QWidget>
#include <memory>

#include "FieldBinding.h"
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

    std::unique_ptr<Ui::CSafetyDlg> ui;

    CFieldBinding m_fields;  // the stored values
};
