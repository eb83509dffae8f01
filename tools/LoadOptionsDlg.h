#pragma once
// CLoadOptionsDlg: what a load takes from the file: one check box per
// group (all ticked), the motor's own values and the communication settings
// (both off: the one gives another motor the wrong commutation, the other
// changes how the drive is reached).

#include <QDialog>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DriveConfig.h"

class QCheckBox;

namespace Ui {
class CLoadOptionsDlg;
}

class CLoadOptionsDlg : public QDialog {
    Q_OBJECT
public:
    CLoadOptionsDlg(QWidget* parent, const QString& file);
    ~CLoadOptionsDlg() override;

    Backup::LoadOptions Options() const;
    // For several drives at once: the communication settings are not
    // offered (their addresses would collide), and the user may have the
    // batch stop at the first drive that fails.
    void ForSeveralDrives();
    bool StopAtFailure() const;
    // The box of a group ("groupCheck_motor" by name).
    QCheckBox* GroupBox(const std::string& group) const;

private:
    void OnGroupClicked();
    void OnCommClicked(bool checked);

    std::unique_ptr<Ui::CLoadOptionsDlg> ui;
    std::vector<std::pair<std::string, QCheckBox*>> m_groups;
    QCheckBox* m_stopAtFailureCheck = nullptr;  // several drives only
};
