#pragma once
// Every file the user picks goes through here: a file to read, or a name to
// write under. The real one shows a QFileDialog, starting in the folder of
// the last choice; tests install a handler that answers from a script and
// records what was asked. UI thread only.

#include <QCoreApplication>
#include <QString>

class QWidget;

class CFileChooser {
    Q_DECLARE_TR_FUNCTIONS(CFileChooser)

public:
    enum class Mode { Open, Save, Folder };

    struct Request {
        Mode mode = Mode::Open;
        QString caption;
        QString filter;         // "配置文件 (*.json)"
        QString defaultSuffix;  // added to a saved name that has none ("json")
        QString name;           // the name offered for a save ("live-plot.png")
    };

    // A test double: answers instead of showing a window.
    class IHandler {
    public:
        virtual ~IHandler() = default;
        // The chosen path; empty for a cancel.
        virtual QString Handle(const Request& request) = 0;
    };

    // An existing file to read; empty when the user cancelled.
    static QString Open(QWidget* parent, const QString& caption, const QString& filter);
    // A name to write under (replacing a file is confirmed); empty when cancelled.
    static QString Save(QWidget* parent, const QString& caption, const QString& filter, const QString& defaultSuffix,
                        const QString& name = {});
    // An existing folder to write files into; empty when cancelled.
    static QString Folder(QWidget* parent, const QString& caption);
    static QString Show(QWidget* parent, const Request& request);

    // nullptr restores the real QFileDialog. Not owned.
    static void SetHandler(IHandler* handler);
};
