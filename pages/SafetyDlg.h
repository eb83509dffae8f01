#pragma once
#include <QWidget>

class CSafetyDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSafetyDlg(QWidget* parent = nullptr);
    ~CSafetyDlg() override;
};
