#include "ConfigFlow.h"

#include <QFile>
#include <algorithm>
#include <memory>
#include <utility>

#include "ConfigDiffDlg.h"
#include "ConfigLoad.h"
#include "ConfigTexts.h"
#include "FileChooser.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "OfflineDrive.h"
#include "QtText.h"
#include "SimulatedLine.h"
#include "SimulatedPort.h"
#include "TaskProgress.h"

namespace {
std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

Backup::Progress JobProgress(CJobControl& job)
{
    Backup::Progress progress;
    progress.stopped = [&job] { return job.Cancelled(); };
    progress.step = [&job](int done, int total, const std::string&) {
        job.SetProgress(static_cast<uint64_t>(std::max(done, 0)), static_cast<uint64_t>(std::max(total, 0)));
    };
    return progress;
}

CConfigFlow::CConfigFlow(QWidget* window, ConfigHost host) : QObject(window), m_window(window), m_host(std::move(host))
{
}

QString CConfigFlow::FileFilter() { return tr("配置文件 (*.json)"); }

bool CConfigFlow::PortOpen() const
{
    if (g_pMainDlg && g_pMainDlg->m_master.IsPortOpen()) return true;
    CMessageBox::Ok(m_window, tr("串口未打开"));
    return false;
}

std::optional<Backup::Configuration> CConfigFlow::OpenFile(QWidget* window, const QString& caption, QString& path)
{
    path = CFileChooser::Open(window, caption, FileFilter());
    if (path.isEmpty()) return std::nullopt;
    Backup::ParsedFile parsed = Backup::ReadFile(FileName(path));
    if (!parsed.config) CMessageBox::Ok(window, ConfigTexts::FileProblem(parsed.problem));
    return std::move(parsed.config);
}

std::optional<Backup::Configuration> CConfigFlow::ChooseFile(const QString& caption, QString& path) const
{
    return OpenFile(m_window, caption, path);
}

void CConfigFlow::Export()
{
    if (!PortOpen()) return;
    const QString path = CFileChooser::Save(m_window, tr("导出配置"), FileFilter(), QStringLiteral("json"));
    if (path.isEmpty()) return;
    auto* progress = new CTaskProgress(m_window, tr("正在读取驱动器参数..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        m_window,
        [](CModbusMaster& master, uint8_t slave, CJobControl& job) {
            return Backup::ReadConfiguration(master, slave, JobProgress(job));
        },
        [this, path, progress](Backup::ReadResult result) {
            // A cancel after the last read still means "no file".
            if (progress->Finish() || result.stopped) {
                CMessageBox::Ok(m_window, tr("导出已取消, 未保存文件。"));
                return;
            }
            if (!result.Ok()) {
                CMessageBox::Ok(m_window,
                                tr("导出失败: %1").arg(ConfigTexts::ReadFailure(result.failedStep, result.failure)));
                return;
            }
            result.config.created = Backup::NowUtc();
            result.config.tool = QtText::Std(m_host.tool);
            std::string error;
            if (!Backup::WriteFile(FileName(path), result.config, error)) {
                CMessageBox::Ok(m_window, tr("导出失败: 无法写入文件 %1").arg(path));
                return;
            }
            CMessageBox::Ok(m_window, tr("导出成功"));
        }));
}

void CConfigFlow::Load()
{
    if (!PortOpen()) return;
    QString path;
    std::optional<Backup::Configuration> file = ChooseFile(tr("载入配置"), path);
    if (!file) return;
    (new CConfigLoad(m_window, m_host, path, std::move(*file)))->Start();
}

void CConfigFlow::Compare()
{
    if (!PortOpen()) return;
    QString path;
    std::optional<Backup::Configuration> file = ChooseFile(tr("比较配置"), path);
    if (!file) return;
    auto* progress = new CTaskProgress(m_window, tr("正在读取驱动器参数..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        m_window,
        [](CModbusMaster& master, uint8_t slave, CJobControl& job) {
            return Backup::ReadConfiguration(master, slave, JobProgress(job));
        },
        [this, progress, values = std::move(file->values)](const Backup::ReadResult& result) {
            if (progress->Finish() || result.stopped) return;
            if (!result.Ok()) {
                CMessageBox::Ok(m_window,
                                tr("比较失败: %1").arg(ConfigTexts::ReadFailure(result.failedStep, result.failure)));
                return;
            }
            std::vector<CConfigDiffDlg::Row> rows;
            for (const Backup::Difference& d : Backup::Compare(result.config.values, values))
                rows.push_back({d.key, d.first, d.second});
            if (rows.empty()) {
                CMessageBox::Ok(m_window, tr("驱动器中的参数与文件相同。"));
                return;
            }
            auto* dialog = new CConfigDiffDlg(m_window, result.config.values, values);
            dialog->ShowCompare(rows);
            connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
            dialog->open();
        }));
}

void CConfigFlow::EditOffline()
{
    if (!m_host.openOffline) return;
    if (m_offline && OfflineUnsaved() && !CMessageBox::YesNo(m_window, tr("离线编辑的配置尚未保存, 放弃修改吗?")))
        return;
    QString path;
    std::optional<Backup::Configuration> file = ChooseFile(tr("离线编辑配置"), path);
    if (!file) return;
    std::string why;
    const std::string port = OfflineDrive::Open(*file, why);
    if (port.empty()) {
        CMessageBox::Ok(m_window, tr("无法离线编辑 %1: %2").arg(path, QString::fromStdString(why)));
        return;
    }
    const std::optional<OfflineFile> before = std::exchange(m_offline, std::nullopt);
    auto held = std::make_shared<Backup::Configuration>(std::move(*file));
    m_host.openOffline(QString::fromStdString(port), [this, path, port, held, before](bool opened) {
        // The port before is closed now: a drive of an earlier file goes with it.
        if (before) SimulatedPort::Forget(before->port);
        if (!opened) {
            SimulatedPort::Forget(port);
            if (before) emit offlineChanged(QString());
            return;
        }
        const auto line = SimulatedPort::Line(port);
        m_offline = OfflineFile{path, std::move(*held), port, line ? line->WriteCount() : 0};
        emit offlineChanged(path);
    });
}

bool CConfigFlow::OfflineUnsaved() const
{
    if (!m_offline) return false;
    const auto line = SimulatedPort::Line(m_offline->port);
    return line && line->WriteCount() != m_offline->savedWrites;
}

void CConfigFlow::EndOffline()
{
    if (!m_offline) return;
    const std::string port = m_offline->port;
    m_offline.reset();
    // Its drive lives on while the master holds the name; once the port is
    // closed or another opened, the name is free and goes.
    SimulatedPort::Forget(port);
    emit offlineChanged(QString());
}

void CConfigFlow::SaveOffline(std::function<void()> then)
{
    if (m_offline) WriteOffline(m_offline->path, std::move(then));
}

void CConfigFlow::SaveOfflineAs()
{
    if (!m_offline) return;
    const QString path = CFileChooser::Save(m_window, tr("另存为"), FileFilter(), QStringLiteral("json"));
    if (!path.isEmpty()) WriteOffline(path, {});
}

void CConfigFlow::WriteOffline(const QString& path, std::function<void()> then)
{
    if (!PortOpen()) return;
    const auto line = SimulatedPort::Line(m_offline->port);
    const uint64_t writes = line ? line->WriteCount() : 0;
    auto* progress = new CTaskProgress(m_window, tr("正在读取驱动器参数..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        m_window,
        [](CModbusMaster& master, uint8_t slave, CJobControl& job) {
            return Backup::ReadConfiguration(master, slave, JobProgress(job));
        },
        [this, path, writes, progress, then = std::move(then)](const Backup::ReadResult& result) {
            if (progress->Finish() || result.stopped || !m_offline) return;
            if (!result.Ok()) {
                CMessageBox::Ok(m_window,
                                tr("保存失败: %1").arg(ConfigTexts::ReadFailure(result.failedStep, result.failure)));
                return;
            }
            Backup::Configuration edited = OfflineDrive::Edited(m_offline->file, result.config.values);
            std::string error;
            if (!Backup::WriteFile(FileName(path), edited, error)) {
                CMessageBox::Ok(m_window, tr("保存失败: 无法写入文件 %1").arg(path));
                return;
            }
            m_offline->file = std::move(edited);
            m_offline->savedWrites = writes;
            if (path != m_offline->path) {
                m_offline->path = path;
                emit offlineChanged(path);
            }
            if (then) then();
        }));
}
