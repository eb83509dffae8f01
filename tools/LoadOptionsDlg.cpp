#include "LoadOptionsDlg.h"

#include <QCheckBox>

#include "ConfigTexts.h"
#include "MessageBox.h"
#include "QtText.h"
#include "ui_LoadOptionsDlg.h"

namespace {
constexpr int kColumns = 3;
}

CLoadOptionsDlg::CLoadOptionsDlg(QWidget* parent, const QString& file)
    : QDialog(parent), ui(std::make_unique<Ui::CLoadOptionsDlg>())
{
    ui->setupUi(this);
    ui->fileLabel->setText(tr("文件: %1").arg(file));
    int n = 0;
    for (const std::string& group : Backup::GroupKeys()) {
        auto* box = new QCheckBox(ConfigTexts::GroupName(group), ui->groupsGroup);
        box->setObjectName(QtText::Qs("groupCheck_" + group));
        box->setChecked(true);
        ui->groupsLayout->addWidget(box, n / kColumns, n % kColumns);
        connect(box, &QCheckBox::clicked, this, [this] { OnGroupClicked(); });
        m_groups.emplace_back(group, box);
        ++n;
    }
    connect(ui->commCheck, &QCheckBox::clicked, this, [this](bool checked) { OnCommClicked(checked); });
}

CLoadOptionsDlg::~CLoadOptionsDlg() = default;

Backup::LoadOptions CLoadOptionsDlg::Options() const
{
    Backup::LoadOptions options;
    for (const auto& [group, box] : m_groups) {
        if (box->isChecked()) options.groups.push_back(group);
    }
    options.includeMotorIdentity = ui->identityCheck->isChecked();
    options.includeComm = ui->commCheck->isChecked();
    return options;
}

void CLoadOptionsDlg::ForSeveralDrives()
{
    ui->commCheck->setChecked(false);
    ui->commCheck->hide();
    m_stopAtFailureCheck = new QCheckBox(tr("遇到第一个失败的驱动器即停止"), this);
    m_stopAtFailureCheck->setObjectName(QStringLiteral("stopAtFailureCheck"));
    // Above the buttons.
    ui->dialogLayout->insertWidget(ui->dialogLayout->count() - 1, m_stopAtFailureCheck);
}

bool CLoadOptionsDlg::StopAtFailure() const { return m_stopAtFailureCheck && m_stopAtFailureCheck->isChecked(); }

QCheckBox* CLoadOptionsDlg::GroupBox(const std::string& group) const
{
    for (const auto& [key, box] : m_groups) {
        if (key == group) return box;
    }
    return nullptr;
}

void CLoadOptionsDlg::OnGroupClicked()
{
    // No group ticked would be read as "every group".
    bool any = false;
    for (const auto& entry : m_groups) any = any || entry.second->isChecked();
    ui->okButton->setEnabled(any);
}

void CLoadOptionsDlg::OnCommClicked(bool checked)
{
    if (checked) CMessageBox::Ok(this, tr("载入通讯设置会改变驱动器的通讯连接, 载入后将按新的设置重新打开串口。"));
}
