#pragma once
#include <QWidget>

class CMotorParamDlg : public QWidget {
    Q_OBJECT
public:
    explicit CMotorParamDlg(QWidget* parent = nullptr);
    ~CMotorParamDlg() override;
};
