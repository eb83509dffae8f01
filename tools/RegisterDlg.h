#pragma once
#include <QDialog>

class CRegisterDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRegisterDlg(QWidget* parent = nullptr);
    ~CRegisterDlg() override;
};
