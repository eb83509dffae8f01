#pragma once
#include <QWidget>

class CReciprocateDlg : public QWidget {
    Q_OBJECT
public:
    explicit CReciprocateDlg(QWidget* parent = nullptr);
    ~CReciprocateDlg() override;
};
