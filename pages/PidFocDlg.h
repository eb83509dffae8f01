#pragma once
#include <QWidget>

class CPidFocDlg : public QWidget {
    Q_OBJECT
public:
    explicit CPidFocDlg(QWidget* parent = nullptr);
    ~CPidFocDlg() override;
};
