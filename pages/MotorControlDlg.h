#pragma once
#include <QWidget>

class CMotorControlDlg : public QWidget {
    Q_OBJECT
public:
    explicit CMotorControlDlg(QWidget* parent = nullptr);
    ~CMotorControlDlg() override;
};
