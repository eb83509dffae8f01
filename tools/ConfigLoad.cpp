#include "ConfigLoad.h"

#include <QFileInfo>

#include "ConfigDiffDlg.h"
#include "ConfigTexts.h"
#include "LoadOptionsDlg.h"
#include "LoadReportDlg.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ParameterStore.h"
#include "TaskProgress.h"

namespace {

std::vector<CConfigDiffDlg::Row> Rows(const std::vector<Backup::Change>& changes)
{
    std::vector<CConfigDiffDlg::Row> rows;
    for (const Backup::Change& c : changes) rows.push_back({c.key, c.drive, c.file});
    return rows;
}

}  // namespace

CConfigLoad::CConfigLoad(QWidget* window, const ConfigHost& host, const QString& path, Backup::Configuration file)
    : QObject(window), m_window(window), m_host(host), m_path(path), m_file(std::move(file))
{
}

void CConfigLoad::End() { deleteLater(); }

void CConfigLoad::Start()
{
    auto* dialog = new CLoadOptionsDlg(m_window, QFileInfo(m_path).fileName());
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        dialog->deleteLater();
        if (result != QDialog::Accepted) return End();
        m_options = dialog->Options();
        Prepare();
    });
    dialog->open();
}

void CConfigLoad::Prepare()
{
    auto* progress = new CTaskProgress(m_window, tr("正在读取驱动器参数..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        m_window,
        [file = m_file, options = m_options](CModbusMaster& master, uint8_t slave, CJobControl& job) {
            return Backup::Prepare(master, slave, file, options, JobProgress(job));
        },
        [this, progress](Backup::Plan plan) {
            const bool cancelled = progress->Finish();
            OnPlan(std::move(plan), cancelled);
        }));
}

void CConfigLoad::OnPlan(Backup::Plan plan, bool cancelled)
{
    m_plan = std::move(plan);
    if (cancelled || m_plan.stopped) {
        CMessageBox::Ok(m_window, tr("载入已取消, 未写入任何参数。"));
        return End();
    }
    if (m_plan.failure.Failed()) {
        // The second look at the device information has no step of its own.
        const std::string step = m_plan.failedStep.empty() ? "drive" : m_plan.failedStep;
        CMessageBox::Ok(m_window, tr("载入失败: %1").arg(ConfigTexts::ReadFailure(step, m_plan.failure)));
        return End();
    }
    if (m_plan.refusal != Backup::Refusal::None) {
        CMessageBox::Ok(m_window, ConfigTexts::Refusal(m_plan.refusal));
        return End();
    }
    if (!AcceptOtherDrive()) return End();
    if (m_plan.changes.empty()) {
        CMessageBox::Ok(m_window, m_plan.kept.empty()
                                      ? tr("驱动器中的参数与文件相同, 无需载入。")
                                      : tr("没有要写入的参数(%1项差异按所选项保留)。").arg(m_plan.kept.size()));
        return End();
    }
    Confirm();
}

bool CConfigLoad::AcceptOtherDrive() const
{
    if (m_plan.identityDiffers.empty()) return true;
    QString text = tr("文件来自另一台驱动器:");
    for (const std::string& field : m_plan.identityDiffers) {
        text += tr("\n%1: 文件中为 %2, 驱动器为 %3")
                    .arg(ConfigTexts::IdentityField(field), ConfigTexts::IdentityValue(m_file.drive, field),
                         ConfigTexts::IdentityValue(m_plan.drive, field));
    }
    text += tr("\n仍要载入吗?");
    return CMessageBox::YesNo(m_window, text, QString(), CMessageBox::Answer::No);
}

void CConfigLoad::Confirm()
{
    auto* dialog = new CConfigDiffDlg(m_window, m_plan.driveValues, m_file.values);
    dialog->ShowLoad(Rows(m_plan.changes), Rows(m_plan.kept));
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        dialog->deleteLater();
        if (result != QDialog::Accepted) return End();
        Run();
    });
    dialog->open();
}

void CConfigLoad::Run()
{
    // Asked here, on the UI thread: the port the window opened, as values.
    std::function<bool(CModbusMaster&, const Backup::LinkSettings&)> reopen;
    if (m_options.includeComm && m_plan.newLink && m_host.reopener) reopen = m_host.reopener();
    auto* progress = new CTaskProgress(m_window, tr("正在载入配置..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        m_window,
        [file = m_file, plan = m_plan, options = m_options, reopen](CModbusMaster& master, uint8_t slave,
                                                                    CJobControl& job) {
            Backup::LoadHooks hooks;
            hooks.progress = JobProgress(job);
            if (options.includeComm && plan.newLink) {
                hooks.relink = [&master, &reopen](const Backup::LinkSettings& link) {
                    return reopen && reopen(master, link);
                };
            }
            return Backup::Load(master, slave, file, plan, options, hooks);
        },
        [this, progress](const Backup::LoadReport& report) {
            progress->Finish();
            OnReport(report);
        }));
}

void CConfigLoad::OnReport(const Backup::LoadReport& report)
{
    if (report.refusal != Backup::Refusal::None) {
        CMessageBox::Ok(m_window, ConfigTexts::Refusal(report.refusal));
        return End();
    }
    // Every page's speed unit follows the switch the load set, as after the
    // motor page's "配置".
    for (const Backup::StepReport& step : report.steps) {
        if (step.step == "motor" && step.status == Backup::StepStatus::Verified)
            g_pMainDlg->m_speedRangeX10 = m_plan.speedRangeCapable && (m_file.values.at("motor.speed_range_x10") & 1);
    }
    // The connection controls follow the port before anything else is sent.
    if (m_options.includeComm && m_plan.newLink && m_host.linkChanged) m_host.linkChanged(report.newLink);
    auto* dialog = new CLoadReportDlg(m_window, report);
    connect(dialog, &QDialog::finished, this, [this, dialog, complete = report.Complete()] {
        dialog->deleteLater();
        if (!complete) return End();
        AskStore();
    });
    dialog->open();
}

void CConfigLoad::AskStore()
{
    if (!CMessageBox::YesNo(m_window, tr("载入完成。要让驱动器保存参数吗?"))) return End();
    g_pMainDlg->Link().Act(
        m_window, [](CModbusMaster& master, uint8_t slave) { return ParameterStore::Store(master, slave); },
        [this](const SdoStep& step) {
            const Backup::Failure failure = Backup::FailureOf(step);
            CMessageBox::Ok(m_window,
                            failure.Failed() ? tr("保存失败: %1").arg(ConfigTexts::Failure(failure)) : tr("保存成功"));
            End();
        });
}
