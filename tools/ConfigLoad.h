#pragma once
// CConfigLoad: one load of a checked file into the drive, a stage at a time,
// each stage started from the result of the one before:
//   the options (CLoadOptionsDlg) -> the plan read from the drive (refusals
//   end it, a file from another drive is asked about) -> the changes shown
//   (CConfigDiffDlg) -> the load, each step read back -> the report
//   (CLoadReportDlg) -> after a complete load, whether the drive should
//   store its parameters.
// Nothing is written before the user has seen the changes and said "载入".
// It deletes itself when it ends; its window going ends it.

#include <QObject>
#include <QString>

#include "ConfigFlow.h"
#include "DriveConfig.h"

class QWidget;

class CConfigLoad : public QObject {
    Q_OBJECT
public:
    CConfigLoad(QWidget* window, const ConfigHost& host, const QString& path, Backup::Configuration file);

    void Start();

private:
    void Prepare();
    void OnPlan(Backup::Plan plan, bool cancelled);
    bool AcceptOtherDrive() const;
    void Confirm();
    void Run();
    void OnReport(const Backup::LoadReport& report);
    void AskStore();
    void End();

    QWidget* m_window;
    ConfigHost m_host;
    QString m_path;
    Backup::Configuration m_file;
    Backup::LoadOptions m_options;
    Backup::Plan m_plan;
};
