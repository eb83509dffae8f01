#include "BatchLoad.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "ConfigDiffDlg.h"
#include "ConfigFlow.h"
#include "ConfigTexts.h"
#include "LoadOptionsDlg.h"
#include "LoadReportDlg.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "TaskProgress.h"

namespace {
bool Loaded(const Backup::BatchDrive& drive) { return Backup::OutcomeOf(drive) == Backup::BatchOutcome::Verified; }
}  // namespace

CBatchLoad::CBatchLoad(QWidget* window, const QString& path, Backup::Configuration file,
                       std::vector<Backup::BatchDrive> drives)
    : QObject(window), m_window(window), m_path(path), m_file(std::move(file)), m_drives(std::move(drives))
{
}

void CBatchLoad::End() { deleteLater(); }

void CBatchLoad::Start()
{
    auto* dialog = new CLoadOptionsDlg(m_window, QFileInfo(m_path).fileName());
    dialog->ForSeveralDrives();
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        dialog->deleteLater();
        if (result != QDialog::Accepted) return End();
        m_options.load = Backup::SeveralDrivesOptions(dialog->Options());
        m_options.stopAtFailure = dialog->StopAtFailure();
        PlanFrom(0);
    });
    dialog->open();
}

void CBatchLoad::RunDrive(size_t index, Stage stage, const QString& label, std::function<void()> next)
{
    auto* progress = new CTaskProgress(m_window, label);
    progress->Follow(g_pMainDlg->Link().RunTask(
        m_window,
        [drive = m_drives[index], file = m_file, options = m_options, stage](CModbusMaster& master, uint8_t,
                                                                             CJobControl& job) mutable {
            // A line lost leaves the rest of the drives as they were.
            if (master.IsPortLost()) return drive;
            switch (stage) {
            case Stage::Plan: Backup::PlanDrive(master, drive, file, options, JobProgress(job)); break;
            case Stage::Load: Backup::LoadDrive(master, drive, file, options, JobProgress(job)); break;
            case Stage::Store: Backup::StoreDrive(master, drive); break;
            }
            return drive;
        },
        [this, index, progress, next = std::move(next)](Backup::BatchDrive drive) {
            m_cancelled = progress->Finish() || m_cancelled;
            m_drives[index] = std::move(drive);
            next();
        }));
}

void CBatchLoad::PlanFrom(size_t index)
{
    while (index < m_drives.size() && m_drives[index].otherLine) ++index;
    if (index >= m_drives.size() || m_cancelled) return OnPlanned();
    const QString label =
        tr("正在读取驱动器 %1 的参数 (%2/%3)...").arg(m_drives[index].slave).arg(index + 1).arg(m_drives.size());
    RunDrive(index, Stage::Plan, label, [this, index] { PlanFrom(index + 1); });
}

void CBatchLoad::OnPlanned()
{
    if (m_cancelled) {
        CMessageBox::Ok(m_window, tr("载入已取消, 未写入任何参数。"));
        return End();
    }
    if (Backup::BatchChanges(m_drives) == 0) {
        QStringList lines(tr("没有要写入的参数:"));
        for (const Backup::BatchDrive& d : m_drives)
            lines << tr("地址 %1: %2").arg(d.slave).arg(ConfigTexts::DriveResult(d));
        CMessageBox::Ok(m_window, lines.join(QLatin1Char('\n')));
        return End();
    }
    if (!AcceptOtherDrive()) return End();
    Confirm();
}

bool CBatchLoad::AcceptOtherDrive() const
{
    if (!Backup::FromAnotherDrive(m_drives)) return true;
    QString text = tr("文件来自另一台驱动器:");
    for (const Backup::BatchDrive& d : m_drives) {
        if (!Backup::ToLoad(d) || d.plan->identityDiffers.empty()) continue;
        QStringList fields;
        for (const std::string& field : d.plan->identityDiffers) {
            fields << tr("%1: 文件中为 %2, 驱动器为 %3")
                          .arg(ConfigTexts::IdentityField(field), ConfigTexts::IdentityValue(m_file.drive, field),
                               ConfigTexts::IdentityValue(d.plan->drive, field));
        }
        text += tr("\n地址 %1: %2").arg(d.slave).arg(fields.join(QStringLiteral("; ")));
    }
    text += tr("\n仍要载入这些驱动器吗?");
    return CMessageBox::YesNo(m_window, text, QString(), CMessageBox::Answer::No);
}

void CBatchLoad::Confirm()
{
    auto* dialog = new CConfigDiffDlg(m_window, {}, m_file.values);
    dialog->ShowBatch(m_drives);
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        dialog->deleteLater();
        if (result != QDialog::Accepted) return End();
        LoadFrom(0);
    });
    dialog->open();
}

void CBatchLoad::LoadFrom(size_t index)
{
    while (index < m_drives.size() && !Backup::ToLoad(m_drives[index])) ++index;
    if (index >= m_drives.size() || m_cancelled) return ShowReport();
    const QString label =
        tr("正在载入驱动器 %1 (%2/%3)...").arg(m_drives[index].slave).arg(index + 1).arg(m_drives.size());
    RunDrive(index, Stage::Load, label, [this, index] {
        if (Backup::BatchStops(m_drives[index], m_options)) return ShowReport();
        LoadFrom(index + 1);
    });
}

void CBatchLoad::ShowReport()
{
    auto* dialog = new CLoadReportDlg(m_window, m_drives, m_cancelled);
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        dialog->deleteLater();
        AskStore();
    });
    dialog->open();
}

void CBatchLoad::AskStore()
{
    if (std::none_of(m_drives.begin(), m_drives.end(), Loaded) ||
        !CMessageBox::YesNo(m_window, tr("要让载入完成的驱动器保存参数吗?")))
        return End();
    m_cancelled = false;
    StoreFrom(0);
}

void CBatchLoad::StoreFrom(size_t index)
{
    while (index < m_drives.size() && !Loaded(m_drives[index])) ++index;
    if (index < m_drives.size() && !m_cancelled) {
        const QString label = tr("正在保存驱动器 %1 的参数...").arg(m_drives[index].slave);
        return RunDrive(index, Stage::Store, label, [this, index] { StoreFrom(index + 1); });
    }
    QStringList lines;
    for (const Backup::BatchDrive& d : m_drives) {
        if (!d.store) continue;
        lines << (d.store->Failed() ? tr("地址 %1: 保存失败: %2").arg(d.slave).arg(ConfigTexts::Failure(*d.store))
                                    : tr("地址 %1: 保存成功").arg(d.slave));
    }
    if (m_cancelled) lines << tr("已取消, 其余驱动器未保存。");
    CMessageBox::Ok(m_window, lines.join(QLatin1Char('\n')));
    End();
}
