#pragma once
// CConfigDiffDlg: settings that differ between the drive and a file, as the
// pages show them (page and label, the key beside, the two values): before a load, what it writes and the differences it
// keeps ("载入" or "取消"); after a compare, the differences alone.

#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ConfigItems.h"
#include "DriveBatch.h"

class QTableWidget;

namespace Ui {
class CConfigDiffDlg;
}

class CConfigDiffDlg : public QDialog {
    Q_OBJECT
public:
    struct Row {
        std::string key;
        std::optional<uint64_t> drive;  // none: the drive or the file does not have it
        std::optional<uint64_t> file;
    };

    // `drive` and `file` give the units the values are shown in.
    CConfigDiffDlg(QWidget* parent, const Backup::Values& drive, const Backup::Values& file);
    ~CConfigDiffDlg() override;

    // Before a load: asks to go on.
    void ShowLoad(const std::vector<Row>& changes, const std::vector<Row>& kept);
    // Before a batch load: each drive's changes in a table with the drive's
    // address first, and the drives that will not be loaded and why.
    void ShowBatch(const std::vector<Backup::BatchDrive>& drives);
    // After a compare: the differences, with one button to close.
    void ShowCompare(const std::vector<Row>& differences);

    QTableWidget* Changes() const;
    QTableWidget* Kept() const;

private:
    void Fill(QTableWidget* table, const std::vector<Row>& rows) const;
    void FillBatch(QTableWidget* table, const std::vector<Backup::BatchDrive>& drives, bool kept) const;

    std::unique_ptr<Ui::CConfigDiffDlg> ui;
    Backup::Values m_drive;
    Backup::Values m_file;
};
