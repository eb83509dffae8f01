#pragma once
#include <QWidget>

class CSystemParamDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSystemParamDlg(QWidget* parent = nullptr);
    ~CSystemParamDlg() override;
};
