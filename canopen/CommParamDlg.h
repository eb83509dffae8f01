#pragma once
#include <QWidget>

class CCommParamDlg : public QWidget {
    Q_OBJECT
public:
    explicit CCommParamDlg(QWidget* parent = nullptr);
    ~CCommParamDlg() override;
};
