#pragma once
// CLoadReportDlg: what a load did, one row per step in load order (written
// and verified, unchanged, failed and why, not done), and whether it was
// cancelled; for a load into several drives, one row per drive.

#include <QDialog>
#include <memory>

#include "DriveBatch.h"
#include "DriveConfig.h"

class QTableWidget;

namespace Ui {
class CLoadReportDlg;
}

class CLoadReportDlg : public QDialog {
    Q_OBJECT
public:
    CLoadReportDlg(QWidget* parent, const Backup::LoadReport& report);
    // A batch: one row per drive, its address and outcome.
    CLoadReportDlg(QWidget* parent, const std::vector<Backup::BatchDrive>& drives, bool cancelled);
    ~CLoadReportDlg() override;

    QString Summary() const;
    QTableWidget* Steps() const;

private:
    std::unique_ptr<Ui::CLoadReportDlg> ui;
};
