#pragma once
// CLoadReportDlg: what a load did, one row per step in load order (written
// and verified, unchanged, failed and why, not done), and whether it was
// cancelled.

#include <QDialog>
#include <memory>

#include "DriveConfig.h"

class QTableWidget;

namespace Ui {
class CLoadReportDlg;
}

class CLoadReportDlg : public QDialog {
    Q_OBJECT
public:
    CLoadReportDlg(QWidget* parent, const Backup::LoadReport& report);
    ~CLoadReportDlg() override;

    QString Summary() const;
    QTableWidget* Steps() const;

private:
    std::unique_ptr<Ui::CLoadReportDlg> ui;
};
