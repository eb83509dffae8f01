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

    // The file filter of every configuration dialog.
    static QString FileFilter();

private:
    bool PortOpen() const;
    // The file the user picks, checked whole; none when cancelled or when
    // the file is not a configuration (said in a box).
    std::optional<Backup::Configuration> ChooseFile(const QString& caption, QString& path) const;

    QWidget* m_window;
    ConfigHost m_host;
};
