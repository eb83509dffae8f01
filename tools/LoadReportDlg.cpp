#include "LoadReportDlg.h"

#include <algorithm>

#include "ConfigTexts.h"
#include "ui_LoadReportDlg.h"

CLoadReportDlg::CLoadReportDlg(QWidget* parent, const Backup::LoadReport& report)
    : QDialog(parent), ui(std::make_unique<Ui::CLoadReportDlg>())
{
    ui->setupUi(this);
    QString summary;
    if (report.Complete()) {
        summary = tr("载入完成, 所选参数已写入并校验。");
    } else if (report.stopped) {
        summary = tr("载入已取消, 之后的参数未写入。");
    } else {
        summary = tr("载入未完成, 请查看失败的参数组。");
    }
    if (report.newLink) summary += tr("\n串口已按新的通讯设置重新打开。");
    ui->summaryLabel->setText(summary);

    QTableWidget* table = ui->stepsTable;
    table->setRowCount(static_cast<int>(report.steps.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const Backup::StepReport& step = report.steps[static_cast<size_t>(r)];
        table->setItem(r, 0, new QTableWidgetItem(ConfigTexts::StepName(step.step)));
        table->setItem(r, 1, new QTableWidgetItem(ConfigTexts::StepResult(step)));
    }
    table->resizeColumnToContents(0);
}

CLoadReportDlg::CLoadReportDlg(QWidget* parent, const std::vector<Backup::BatchDrive>& drives, bool cancelled)
    : QDialog(parent), ui(std::make_unique<Ui::CLoadReportDlg>())
{
    ui->setupUi(this);
    const bool failed = std::any_of(drives.begin(), drives.end(), [](const Backup::BatchDrive& d) {
        return Backup::IsFailure(Backup::OutcomeOf(d));
    });
    QString summary = failed ? tr("部分驱动器载入失败, 请查看下表。") : tr("载入完成, 各驱动器的结果如下。");
    if (cancelled) summary = tr("载入已取消, 之后的驱动器未载入。");
    ui->summaryLabel->setText(summary);
    QTableWidget* table = ui->stepsTable;
    table->horizontalHeaderItem(0)->setText(tr("驱动器"));
    table->setRowCount(static_cast<int>(drives.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const Backup::BatchDrive& d = drives[static_cast<size_t>(r)];
        table->setItem(r, 0, new QTableWidgetItem(tr("地址 %1").arg(d.slave)));
        table->setItem(r, 1, new QTableWidgetItem(ConfigTexts::DriveResult(d)));
    }
    table->resizeColumnToContents(0);
}

CLoadReportDlg::~CLoadReportDlg() = default;

QString CLoadReportDlg::Summary() const { return ui->summaryLabel->text(); }
QTableWidget* CLoadReportDlg::Steps() const { return ui->stepsTable; }
