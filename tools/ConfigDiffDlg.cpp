#include "ConfigDiffDlg.h"

#include <QHeaderView>

#include "ConfigTexts.h"
#include "QtText.h"
#include "ui_ConfigDiffDlg.h"

CConfigDiffDlg::CConfigDiffDlg(QWidget* parent, const Backup::Values& drive, const Backup::Values& file)
    : QDialog(parent), ui(std::make_unique<Ui::CConfigDiffDlg>()), m_drive(drive), m_file(file)
{
    ui->setupUi(this);
}

CConfigDiffDlg::~CConfigDiffDlg() = default;

QTableWidget* CConfigDiffDlg::Changes() const { return ui->changesTable; }
QTableWidget* CConfigDiffDlg::Kept() const { return ui->keptTable; }

void CConfigDiffDlg::ShowLoad(const std::vector<Row>& changes, const std::vector<Row>& kept)
{
    setWindowTitle(tr("载入配置"));
    ui->changesLabel->setText(tr("将写入%1项参数, 确定要载入吗?").arg(changes.size()));
    Fill(ui->changesTable, changes);
    Fill(ui->keptTable, kept);
    ui->keptLabel->setVisible(!kept.empty());
    ui->keptTable->setVisible(!kept.empty());
}

void CConfigDiffDlg::ShowBatch(const std::vector<Backup::BatchDrive>& drives)
{
    setWindowTitle(tr("载入配置到所选驱动器"));
    QStringList notLoaded;
    int loading = 0;
    bool anyKept = false;
    for (const Backup::BatchDrive& d : drives) {
        if (Backup::ToLoad(d)) {
            ++loading;
            anyKept = anyKept || !d.plan->kept.empty();
        } else {
            notLoaded << tr("地址 %1: %2").arg(d.slave).arg(ConfigTexts::DriveResult(d));
        }
    }
    QString text = tr("将向%1台驱动器写入%2项参数, 确定要载入吗?").arg(loading).arg(Backup::BatchChanges(drives));
    if (!notLoaded.isEmpty()) text += tr("\n以下驱动器不载入:\n") + notLoaded.join(QLatin1Char('\n'));
    ui->changesLabel->setText(text);
    FillBatch(ui->changesTable, drives, false);
    FillBatch(ui->keptTable, drives, true);
    ui->keptLabel->setVisible(anyKept);
    ui->keptTable->setVisible(anyKept);
}

void CConfigDiffDlg::ShowCompare(const std::vector<Row>& differences)
{
    setWindowTitle(tr("比较配置"));
    ui->changesLabel->setText(tr("驱动器与文件有%1项参数不同:").arg(differences.size()));
    Fill(ui->changesTable, differences);
    ui->keptLabel->hide();
    ui->keptTable->hide();
    ui->okButton->hide();
    ui->cancelButton->setText(tr("关闭"));
}

void CConfigDiffDlg::Fill(QTableWidget* table, const std::vector<Row>& rows) const
{
    table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const Row& row = rows[static_cast<size_t>(r)];
        const QString cells[] = {ConfigTexts::Title(row.key), QtText::Qs(row.key),
                                 ConfigTexts::Shown(row.key, row.drive, m_drive),
                                 ConfigTexts::Shown(row.key, row.file, m_file)};
        for (int c = 0; c < 4; ++c) table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
}

void CConfigDiffDlg::FillBatch(QTableWidget* table, const std::vector<Backup::BatchDrive>& drives, bool kept) const
{
    table->insertColumn(0);
    table->setHorizontalHeaderItem(0, new QTableWidgetItem(tr("地址")));
    table->setRowCount(0);
    for (const Backup::BatchDrive& d : drives) {
        if (!Backup::ToLoad(d)) continue;
        // Each drive's values in its own units, the file's in the file's.
        for (const Backup::Change& c : kept ? d.plan->kept : d.plan->changes) {
            const int r = table->rowCount();
            table->insertRow(r);
            const QString cells[] = {QString::number(d.slave), ConfigTexts::Title(c.key), QtText::Qs(c.key),
                                     ConfigTexts::Shown(c.key, c.drive, d.plan->driveValues),
                                     ConfigTexts::Shown(c.key, c.file, m_file)};
            for (int col = 0; col < 5; ++col) table->setItem(r, col, new QTableWidgetItem(cells[col]));
        }
    }
    table->resizeColumnsToContents();
}
