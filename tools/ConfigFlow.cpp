#include "ConfigFlow.h"

#include <QFile>
#include <algorithm>

#include "ConfigDiffDlg.h"
#include "ConfigLoad.h"
#include "ConfigTexts.h"
#include "FileChooser.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
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

std::optional<Backup::Configuration> CConfigFlow::ChooseFile(const QString& caption, QString& path) const
{
    path = CFileChooser::Open(m_window, caption, FileFilter());
    if (path.isEmpty()) return std::nullopt;
    Backup::ParsedFile parsed = Backup::ReadFile(FileName(path));
    if (!parsed.config) CMessageBox::Ok(m_window, ConfigTexts::FileProblem(parsed.problem));
    return std::move(parsed.config);
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
                CMessageBox::Ok(m_window, tr("导出失败: %1").arg(ConfigTexts::ReadFailure(result.failedStep, result.failure)));
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
                CMessageBox::Ok(m_window, tr("比较失败: %1").arg(ConfigTexts::ReadFailure(result.failedStep, result.failure)));
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
