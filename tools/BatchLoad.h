#pragma once
// CBatchLoad: one checked file into several drives of the line, from the
// bus overview, a stage at a time:
//   the options (CLoadOptionsDlg, without the communication settings) ->
//   every drive's plan read, one drive a job -> "the file comes from another
//   drive" asked once -> the changes of every drive shown (CConfigDiffDlg)
//   -> the loads one drive after another, one drive a job -> the report per
//   drive (CLoadReportDlg) -> whether the drives loaded should store their
//   parameters, asked once, and what each store gave.
// One job per drive leaves the main window's poll a turn between drives.
// Nothing is written before the user has seen the changes and said "载入".
// It deletes itself when it ends; its window going ends it.

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "DriveBatch.h"

class QWidget;

class CBatchLoad : public QObject {
    Q_OBJECT
public:
    CBatchLoad(QWidget* window, const QString& path, Backup::Configuration file,
               std::vector<Backup::BatchDrive> drives);

    void Start();

private:
    void PlanFrom(size_t index);
    void OnPlanned();
    bool AcceptOtherDrive() const;
    void Confirm();
    void LoadFrom(size_t index);
    void ShowReport();
    void AskStore();
    void StoreFrom(size_t index);
    void End();
    enum class Stage { Plan, Load, Store };
    // Plans, loads or stores drive `index` as a job of its own, then `next`.
    void RunDrive(size_t index, Stage stage, const QString& label, std::function<void()> next);

    QWidget* m_window;
    QString m_path;
    Backup::Configuration m_file;
    std::vector<Backup::BatchDrive> m_drives;
    Backup::BatchOptions m_options;
    bool m_cancelled = false;
};
