#pragma once
// The page "系统参数": the drive's input and signal configuration, held in two
// register blocks (128..143 and 150..155) that are always read and written
// together, the second only after the first succeeded.

#include <QString>
#include <QWidget>
#include <memory>

#include "FieldBinding.h"
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

    std::unique_ptr<Ui::CSystemParamDlg> ui;

    CFieldBinding m_fields;  // the stored values
};
