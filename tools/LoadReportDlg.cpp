#include "LoadReportDlg.h"

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
    ui->m_labelSummary->setText(summary);

    QTableWidget* table = ui->m_tableSteps;
    table->setRowCount(static_cast<int>(report.steps.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const Backup::StepReport& step = report.steps[static_cast<size_t>(r)];
        table->setItem(r, 0, new QTableWidgetItem(ConfigTexts::StepName(step.step)));
        table->setItem(r, 1, new QTableWidgetItem(ConfigTexts::StepResult(step)));
    }
    table->resizeColumnToContents(0);
}

CLoadReportDlg::~CLoadReportDlg() = default;

QString CLoadReportDlg::Summary() const { return ui->m_labelSummary->text(); }
QTableWidget* CLoadReportDlg::Steps() const { return ui->m_tableSteps; }
