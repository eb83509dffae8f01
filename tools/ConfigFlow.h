#pragma once
// CConfigFlow: the main window's "文件" menu: export the drive's
// configuration to a file, load a file into the drive (CConfigLoad), and
// compare the drive with a file. Every drive exchange is a long job on the
// link with a progress window and Cancel; files are chosen through
// CFileChooser and read and written by the drive-configuration library.
//
// The main window owns it and passes what only it knows (ConfigHost): what
// the tool is called, and how to reopen the port it opened when a load
// changes the drive's RS-485 settings.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "DriveConfig.h"
#include "JobControl.h"

class QWidget;
class CModbusMaster;

struct ConfigHost {
    QString tool;  // what made an exported file, with its version
    // UI thread: a function the link thread calls to reopen the open port
    // with the drive's new line settings (false when it cannot); empty when
    // the window does not know the port.
    std::function<std::function<bool(CModbusMaster&, const Backup::LinkSettings&)>()> reopener;
    // UI thread, after a load that was to change the link: the settings the
    // port was reopened with, or none when that failed.
    std::function<void(const std::optional<Backup::LinkSettings>&)> linkChanged;
    // UI thread: opens `port` (the drive inside the tool that holds a file
    // edited offline) in place of the open port, never remembered, and
    // calls `opened` with the outcome. Empty: no offline editing.
    std::function<void(const QString& port, std::function<void(bool)> opened)> openOffline;
};

// A job's progress and cancel as the library asks for them; `job` outlives
// the call that uses it (the link keeps it for the job's run).
Backup::Progress JobProgress(CJobControl& job);

class CConfigFlow : public QObject {
    Q_OBJECT
public:
    CConfigFlow(QWidget* window, ConfigHost host);

    void Export();
    void Load();
    void Compare();

    // Offline editing: a file checked whole, then held by a drive inside the
    // tool that every page reads and writes; saved back under exactly the
    // file's keys. offlineChanged tells the window when it begins, ends or
    // moves to another file.
    void EditOffline();
    // `then` runs after a good save (the close that asked for it).
    void SaveOffline(std::function<void()> then = {});
    void SaveOfflineAs();
    // The drive inside the tool is dropped; the window's port is its own.
    void EndOffline();
    bool Offline() const { return m_offline.has_value(); }
    // The offline drive has taken writes since its file was last saved.
    bool OfflineUnsaved() const;
    QString OfflinePath() const { return m_offline ? m_offline->path : QString(); }

    // The file filter of every configuration dialog.
    static QString FileFilter();
    // The file the user picks, checked whole; none when cancelled or when
    // the file is not a configuration (said in a box).
    static std::optional<Backup::Configuration> OpenFile(QWidget* window, const QString& caption, QString& path);

signals:
    void offlineChanged(const QString& path);  // empty: offline editing ended

private:
    bool PortOpen() const;
    std::optional<Backup::Configuration> ChooseFile(const QString& caption, QString& path) const;

    void WriteOffline(const QString& path, std::function<void()> then);

    struct OfflineFile {
        QString path;
        Backup::Configuration file;  // as read or last saved
        std::string port;            // the sim:// name holding it
        uint64_t savedWrites = 0;    // the drive's write count at the last save
    };

    QWidget* m_window;
    ConfigHost m_host;
    std::optional<OfflineFile> m_offline;
};
