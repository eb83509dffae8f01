#pragma once
#include <QDialog>

class CObjectDictDlg : public QDialog {
    Q_OBJECT
public:
    explicit CObjectDictDlg(QWidget* parent = nullptr);
    ~CObjectDictDlg() override;
};
