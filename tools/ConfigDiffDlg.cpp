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

QTableWidget* CConfigDiffDlg::Changes() const { return ui->m_tableChanges; }
QTableWidget* CConfigDiffDlg::Kept() const { return ui->m_tableKept; }

void CConfigDiffDlg::ShowLoad(const std::vector<Row>& changes, const std::vector<Row>& kept)
{
    setWindowTitle(tr("载入配置"));
    ui->m_labelChanges->setText(tr("将写入%1项参数, 确定要载入吗?").arg(changes.size()));
    Fill(ui->m_tableChanges, changes);
    Fill(ui->m_tableKept, kept);
    ui->m_labelKept->setVisible(!kept.empty());
    ui->m_tableKept->setVisible(!kept.empty());
}

void CConfigDiffDlg::ShowCompare(const std::vector<Row>& differences)
{
    setWindowTitle(tr("比较配置"));
    ui->m_labelChanges->setText(tr("驱动器与文件有%1项参数不同:").arg(differences.size()));
    Fill(ui->m_tableChanges, differences);
    ui->m_labelKept->hide();
    ui->m_tableKept->hide();
    ui->m_btnOk->hide();
    ui->m_btnCancel->setText(tr("关闭"));
}

void CConfigDiffDlg::Fill(QTableWidget* table, const std::vector<Row>& rows) const
{
    table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const Row& row = rows[static_cast<size_t>(r)];
        const QString cells[] = {QtText::Qs(row.key), ConfigTexts::Shown(row.key, row.drive, m_drive),
                                 ConfigTexts::Shown(row.key, row.file, m_file)};
        for (int c = 0; c < 3; ++c) table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
}
