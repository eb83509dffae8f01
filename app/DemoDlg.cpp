#include "DemoDlg.h"

#include <QActionGroup>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>
#include <array>

#include "AboutDlg.h"
#include "Accessibility.h"
#include "AppIcon.h"
#include "BusMonitorDlg.h"
#include "BusOverviewDlg.h"
#include "CommParamDlg.h"
#include "ConfigFlow.h"
#include "DataExchange.h"
#include "DriveScanDlg.h"
#include "GroupActions.h"
#include "LivePlotDlg.h"
#include "MessageBox.h"
#include "MotorControlDlg.h"
#include "MotorParamDlg.h"
#include "ObjectDictDlg.h"
#include "PidFocDlg.h"
#include "PortMessages.h"
#include "PortNames.h"
#include "QtText.h"
#include "ReciprocateDlg.h"
#include "RegisterDlg.h"
#include "SafetyDlg.h"
#include "StatusChannels.h"
#include "StatusFormat.h"
#include "SystemParamDlg.h"
#include "TextNumber.h"
#include "UiLanguage.h"
#include "ui_DemoDlg.h"

namespace {

constexpr int kNamedComPorts = 15;
constexpr int kTimerPeriodMs = 100;
// What made an exported configuration file.
const char* const kToolName = "ZORIC_Demo 2.0";

// Texts that come from the Qt-free protocol modules, in the user's language.
QString StatusText(const std::string& text) { return QString::fromStdString(Localized(text)); }
using QtText::ResultMessage;

void SetIfChanged(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text) edit->setText(text);
}
void SetIfChanged(QLabel* label, const QString& text)
{
    if (label->text() != text) label->setText(text);
}

}  // namespace

struct CDemoDlg::Impl {
    Ui::CDemoDlg ui;

    // Owned here and deleted first in ~CDemoDlg (see there).
    CMotorControlDlg* motorControl = nullptr;
    CMotorParamDlg* motorParam = nullptr;
    CPidFocDlg* pidFoc = nullptr;
    CSafetyDlg* safety = nullptr;
    CReciprocateDlg* reciprocate = nullptr;
    CSystemParamDlg* systemParam = nullptr;
    CCommParamDlg* commParam = nullptr;
    CRegisterDlg* registerTool = nullptr;
    CObjectDictDlg* objectDictTool = nullptr;
    QPointer<CLivePlotDlg> livePlot;        // made by the menu, deleted when closed
    QPointer<CDriveScanDlg> driveScan;      // made by the menu
    QPointer<CBusOverviewDlg> busOverview;  // made by the menu
    QPointer<CBusMonitorDlg> busMonitor;    // made by the menu; watches the master while it lives

    bool pollPending = false;     // a status read submitted and not yet shown
    uint32_t portLossesSeen = 0;  // the master's losses of its port already told

    std::vector<QWidget*> pageList;  // tab order
    QTimer* timer = nullptr;
    QMenuBar* menuBar = nullptr;
    CConfigFlow* configFlow = nullptr;
    // Offline editing: its menu entries, its note, and what it disables.
    QAction* offlineSave = nullptr;
    QAction* offlineSaveAs = nullptr;
    QLabel* offlineNote = nullptr;
    std::vector<QAction*> onlineOnly;

    // The port the button opened: a configuration load that changes the
    // drive's line settings reopens it. Number 0 and no device: none.
    uint32_t openedNumber = 0;
    std::string openedDevice;

    // Stored values of the controls.
    int autoUpdate = 0;
    std::array<int, 7> addressBits{};
    int baudIndex = 0;
    int portIndex = 0;
    // The port as shown: an item of the list, or a name typed in (a
    // network port such as "tcp://192.168.1.20:502").
    QString portText = QStringLiteral("COM1");
    bool rememberConnection = false;
    // The port named on the command line: not kept as the last port.
    QString portNotRemembered;
    int parityIndex = 0;
    QString addressText = QStringLiteral("0x01");

    // The name to open for what the port box shows: an item's own name (a
    // port listed by its friendly name opens by its COMn), else the text.
    QString PortShown() const
    {
        const QString text = ui.portCombo->currentText().trimmed();
        const QVariant name = ui.portCombo->itemData(ui.portCombo->findText(text));
        return name.isValid() ? name.toString() : text;
    }
    int PortIndexOf(const QString& name) const
    {
        const int index = ui.portCombo->findData(name);
        return index >= 0 ? index : ui.portCombo->findText(name);
    }

    std::array<QCheckBox*, 7> AddressBoxes() const
    {
        return {ui.addressCheck1, ui.addressCheck2, ui.addressCheck3, ui.addressCheck4,
                ui.addressCheck5, ui.addressCheck6, ui.addressCheck7};
    }
};

CDemoDlg::CDemoDlg(QWidget* parent) : QDialog(parent), d(std::make_unique<Impl>())
{
    // Pages and their workers reach the shared state through this from their
    // constructors on.
    g_pMainDlg = this;

    d->ui.setupUi(this);

    Accessibility::NameInputsFromLabels(this);
    setWindowIcon(AppIcon());
    CreateMenu();

    // The port list: the fifteen named ports, then the ports of this machine
    // (on Windows by their friendly names), then the drive inside the tool.
    for (int n = 1; n <= kNamedComPorts; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        d->ui.portCombo->addItem(name, name);
    }
    for (const std::string& device : ListSerialDevices())
        d->ui.portCombo->addItem(QString::fromStdString(SerialPortLabel(device)), QString::fromStdString(device));
    d->ui.portCombo->addItem(tr("模拟驱动器 (sim://)"), QStringLiteral("sim://"));
    // A port reached over the network is typed in.
    d->ui.portCombo->setEditable(true);
    d->ui.portCombo->setInsertPolicy(QComboBox::NoInsert);
    d->ui.portCombo->setToolTip(
        tr("串口名称，或网络端口: tcp://主机[:端口]（Modbus TCP），rtu+tcp://主机:端口（RTU over TCP）"));
    connect(d->ui.portCombo, &QComboBox::currentTextChanged, this, [this] { ShowLineSettingsFor(); });
    UpdateData(false);

    QTabWidget* tabs = d->ui.pagesTab;
    d->motorControl = new CMotorControlDlg(tabs);
    d->motorParam = new CMotorParamDlg(tabs);
    d->pidFoc = new CPidFocDlg(tabs);
    d->safety = new CSafetyDlg(tabs);
    d->reciprocate = new CReciprocateDlg(tabs);
    d->systemParam = new CSystemParamDlg(tabs);
    d->commParam = new CCommParamDlg(tabs);
    AddPage(d->motorControl, tr("电机控制"));
    AddPage(d->motorParam, tr("电机参数"));
    // Two tab names of their own (the comment): shorter in English than the
    // same words elsewhere, so that the tab row fits a 1366-pixel screen.
    AddPage(d->systemParam, tr("系统参数", "tab"));
    AddPage(d->commParam, tr("通讯参数"));
    AddPage(d->pidFoc, tr("PID和FOC参数", "tab"));
    AddPage(d->reciprocate, tr("往复运动"));
    AddPage(d->safety, tr("安全保护"));
    connect(tabs, &QTabWidget::currentChanged, this, [this](int index) { ShowPage(index); });
    // After learning the Hall offset is set: on the PID and FOC page.
    connect(d->motorParam, &CMotorParamDlg::learned, this, [this] { d->ui.pagesTab->setCurrentWidget(d->pidFoc); });

    // The tool windows exist once, hidden until the menu shows them.
    d->registerTool = new CRegisterDlg(this);
    d->objectDictTool = new CObjectDictDlg(this);
    d->registerTool->hide();
    d->objectDictTool->hide();

    setWindowTitle(tr("ZORIC_Modbus示例程序"));
    ShowPage(0);

    connect(d->ui.openPortButton, &QPushButton::clicked, this, [this] { OnOpenPort(); });
    for (QCheckBox* box : d->AddressBoxes()) connect(box, &QCheckBox::clicked, this, [this] { OnAddressBit(); });
    // On screen the boxes are "1" to "7" under the address label; a screen reader says which.
    const auto boxes = d->AddressBoxes();
    for (size_t k = 0; k < boxes.size(); ++k)
        boxes[k]->setAccessibleName(tr("设备地址位%1").arg(static_cast<int>(k) + 1));
    d->ui.addressEdit->installEventFilter(this);
    connect(d->ui.addressEdit, &QLineEdit::returnPressed, this, [this] { OnAddressEdited(); });
    connect(d->ui.autoUpdateCheck, &QCheckBox::clicked, this, [this] { UpdateData(true); });
    connect(d->ui.readInfoButton, &QPushButton::clicked, this, [this] { OnReadInfo(); });
    connect(d->ui.oemInfoButton, &QPushButton::clicked, this, [this] { OnOemInfo(); });
    connect(d->ui.clearPositionButton, &QPushButton::clicked, this, [this] { OnClearPosition(); });

    // No button of the main window is the dialog's default: Enter does nothing.
    for (QPushButton* button : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) button->setAutoDefault(false);
    for (QGroupBox* group : {d->ui.connectionGroup, d->ui.deviceInfoGroup, d->ui.statusGroup}) {
        for (QPushButton* button : group->findChildren<QPushButton*>()) button->setAutoDefault(false);
    }

    d->timer = new QTimer(this);
    d->timer->setInterval(kTimerPeriodMs);
    connect(d->timer, &QTimer::timeout, this, [this] { OnTimer(); });
    d->timer->start();
}

CDemoDlg::~CDemoDlg()
{
    d->timer->stop();
    // What is queued is dropped and no result reaches a window from here on;
    // the exchange in flight ends within its time-out.
    Link().Stop();
    // Pages and tool windows first, while g_pMainDlg and m_master are still
    // whole.
    delete d->registerTool;
    delete d->objectDictTool;
    d->registerTool = nullptr;
    d->objectDictTool = nullptr;
    delete d->livePlot;
    delete d->driveScan;
    delete d->busMonitor;
    QWidget* pages[] = {d->motorControl, d->motorParam,  d->pidFoc,   d->safety,
                        d->reciprocate,  d->systemParam, d->commParam};
    d->pageList.clear();
    for (QWidget* page : pages) delete page;
    d->motorControl = nullptr;
    d->motorParam = nullptr;
    d->pidFoc = nullptr;
    d->safety = nullptr;
    d->reciprocate = nullptr;
    d->systemParam = nullptr;
    d->commParam = nullptr;
    SaveConnection();
    m_master.ClosePort();
    if (g_pMainDlg == this) g_pMainDlg = nullptr;
}

void CDemoDlg::AddPage(QWidget* page, const QString& title)
{
    if (!page || title.isEmpty()) return;
    d->ui.pagesTab->insertTab(static_cast<int>(d->pageList.size()), page, title);
    d->pageList.push_back(page);
}

void CDemoDlg::ShowPage(int index)
{
    if (index < 0 || index >= static_cast<int>(d->pageList.size())) return;
    // The tab widget shows that page and hides the others.
    if (d->ui.pagesTab->currentIndex() != index) d->ui.pagesTab->setCurrentIndex(index);
}

CMotorControlDlg* CDemoDlg::MotorControlPage() const { return d->motorControl; }
CMotorParamDlg* CDemoDlg::MotorParamPage() const { return d->motorParam; }
CSystemParamDlg* CDemoDlg::SystemParamPage() const { return d->systemParam; }
CCommParamDlg* CDemoDlg::CommParamPage() const { return d->commParam; }
CPidFocDlg* CDemoDlg::PidFocPage() const { return d->pidFoc; }
CReciprocateDlg* CDemoDlg::ReciprocatePage() const { return d->reciprocate; }
CSafetyDlg* CDemoDlg::SafetyPage() const { return d->safety; }
CRegisterDlg* CDemoDlg::RegisterTool() const { return d->registerTool; }
CObjectDictDlg* CDemoDlg::ObjectDictTool() const { return d->objectDictTool; }
QTabWidget* CDemoDlg::Tabs() const { return d->ui.pagesTab; }

void CDemoDlg::UpdateData(bool fromControls)
{
    Ui::CDemoDlg& ui = d->ui;
    if (fromControls) {
        d->portText = d->PortShown();
        d->portIndex = d->PortIndexOf(d->portText);
    } else {
        d->portIndex = d->PortIndexOf(d->portText);
        if (d->portIndex >= 0) ui.portCombo->setCurrentIndex(d->portIndex);
        else ui.portCombo->setEditText(d->portText);
    }
    DataExchange::Index(fromControls, ui.baudCombo, d->baudIndex);
    DataExchange::Index(fromControls, ui.parityCombo, d->parityIndex);
    DataExchange::Text(fromControls, ui.addressEdit, d->addressText);
    DataExchange::Check(fromControls, ui.autoUpdateCheck, d->autoUpdate);
    const auto boxes = d->AddressBoxes();
    for (size_t k = 0; k < boxes.size(); ++k) DataExchange::Check(fromControls, boxes[k], d->addressBits[k]);
}

void CDemoDlg::CreateMenu()
{
    d->menuBar = new QMenuBar(this);
    d->menuBar->setObjectName(QStringLiteral("menuBar"));
    layout()->setMenuBar(d->menuBar);

    QMenu* file = d->menuBar->addMenu(tr("文件(&F)"));
    ConfigHost host;
    host.tool = QString::fromLatin1(kToolName);
    host.reopener = [this] { return PortReopener(); };
    host.linkChanged = [this](const std::optional<Backup::LinkSettings>& link) { OnLinkChanged(link); };
    host.openOffline = [this](const QString& port, std::function<void(bool)> opened) {
        OpenOffline(port, std::move(opened));
    };
    d->configFlow = new CConfigFlow(this, std::move(host));
    connect(d->configFlow, &CConfigFlow::offlineChanged, this, &CDemoDlg::ShowOffline);
    file->addAction(tr("载入配置(&L)"), this, [this] { d->configFlow->Load(); });
    file->addAction(tr("导出配置(&E)"), this, [this] { d->configFlow->Export(); });
    file->addAction(tr("比较配置(&C)"), this, [this] { d->configFlow->Compare(); });
    file->addSeparator();
    file->addAction(tr("离线编辑配置(&O)…"), this, [this] { d->configFlow->EditOffline(); });
    d->offlineSave = file->addAction(tr("保存(&S)"), this, [this] { d->configFlow->SaveOffline(); });
    d->offlineSaveAs = file->addAction(tr("另存为(&A)…"), this, [this] { d->configFlow->SaveOfflineAs(); });
    d->offlineSave->setEnabled(false);
    d->offlineSaveAs->setEnabled(false);
    file->addSeparator();
    // A posted close request, the same as the close box.
    file->addAction(tr("退出(&Q)"), this,
                    [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });

    QMenu* tools = d->menuBar->addMenu(tr("工具(&T)"));
    d->onlineOnly.push_back(tools->addAction(tr("读写寄存器(&R)"), this, [this] { ShowTool(d->registerTool); }));
    tools->addAction(tr("访问对象字典(&V)"), this, [this] { ShowTool(d->objectDictTool); });
    tools->addAction(tr("实时曲线(&P)"), this, [this] {
        if (!d->livePlot) d->livePlot = new CLivePlotDlg(this);
        ShowTool(d->livePlot);
    });
    d->onlineOnly.push_back(tools->addAction(tr("扫描设备(&S)"), this, [this] { ShowTool(DriveScanTool()); }));
    d->onlineOnly.push_back(tools->addAction(tr("总线监视(&M)"), this, [this] { ShowTool(BusMonitorTool()); }));
    d->onlineOnly.push_back(tools->addAction(tr("总线总览(&B)"), this, [this] { ShowTool(BusOverviewTool()); }));
    tools->addSeparator();
    CreateLanguageMenu(tools->addMenu(tr("语言(&L)")));

    QMenu* help = d->menuBar->addMenu(tr("帮助(&H)"));
    // Linux windows have no system menu to carry the About entry, so this opens it.
    help->addAction(tr("关于(&A)"), this, [this] { ShowAbout(); });
}

void CDemoDlg::CreateLanguageMenu(QMenu* menu)
{
    menu->setObjectName(QStringLiteral("languageMenu"));
    auto* group = new QActionGroup(menu);
    // Each language under its own name, as a user who cannot read the other finds it.
    const std::pair<Language, QString> choices[] = {{Language::Chinese, QStringLiteral("中文(&Z)")},
                                                    {Language::English, QStringLiteral("&English")}};
    for (const auto& [language, name] : choices) {
        QAction* action = menu->addAction(name);
        action->setCheckable(true);
        action->setChecked(language == CurrentLanguage());
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, language = language] {
            // Every window would have to take its texts again; the next start does it.
            UiLanguage::Save(language);
            if (language != CurrentLanguage()) CMessageBox::Ok(this, tr("界面语言将在下次启动程序时切换。"));
        });
    }
}

CDriveScanDlg* CDemoDlg::DriveScanTool()
{
    if (d->driveScan) return d->driveScan;
    DriveScanHost host;
    host.reopener = [this] { return PortReopener(); };
    host.current = [this] { return CurrentLink(); };
    host.linkChanged = [this](const std::optional<Backup::LinkSettings>& link) { OnLinkChanged(link); };
    d->driveScan = new CDriveScanDlg(this, std::move(host));
    return d->driveScan;
}

Backup::LinkSettings CDemoDlg::CurrentLink()
{
    UpdateData(true);
    Backup::LinkSettings link;
    link.baud = static_cast<uint32_t>(TextNumber::ParseInt(d->ui.baudCombo->currentText().toStdString()));
    link.parityIndex = d->parityIndex;
    link.address = m_deviceAddress.load();
    return link;
}

CBusOverviewDlg* CDemoDlg::BusOverviewTool()
{
    if (d->busOverview) return d->busOverview;
    BusOverviewHost host;
    host.current = [this] { return CurrentLink(); };
    host.scanned = [this] { return d->driveScan ? d->driveScan->Found() : std::vector<DriveScan::Found>{}; };
    host.useAddress = [this](uint8_t slave) {
        Backup::LinkSettings link = CurrentLink();
        link.address = slave;
        OnLinkChanged(link);
    };
    host.tool = QString::fromLatin1(kToolName);
    d->busOverview = new CBusOverviewDlg(this, std::move(host));
    return d->busOverview;
}

CBusMonitorDlg* CDemoDlg::BusMonitorTool()
{
    if (!d->busMonitor) {
        // Listening takes the port and line settings chosen here.
        d->busMonitor = new CBusMonitorDlg(this, 100000, [this] {
            UpdateData(true);
            const int baud = TextNumber::ParseInt(d->ui.baudCombo->currentText().toStdString());
            return CBusMonitorDlg::ListenPort{d->PortShown().toStdString(),
                                              CModbusMaster::ModeText(baud, d->parityIndex)};
        });
    }
    return d->busMonitor;
}

void CDemoDlg::ShowTool(QWidget* tool)
{
    if (!tool) return;
    // A window never shown has no size of its own yet: take it now, so that
    // it is centred with the size it will show with.
    if (!tool->testAttribute(Qt::WA_Resized)) tool->adjustSize();
    QRect area = tool->frameGeometry();
    area.moveCenter(frameGeometry().center());
    tool->move(area.topLeft());
    tool->show();
    tool->raise();
    tool->activateWindow();
}

void CDemoDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CDemoDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter does nothing here; Esc closes the window (and ends the program).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CDemoDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == d->ui.addressEdit && event->type() == QEvent::FocusOut) OnAddressEdited();
    return QDialog::eventFilter(watched, event);
}

void CDemoDlg::OnOpenPort()
{
    UpdateData(true);
    if (m_master.IsPortOpen()) {
        if (d->configFlow->OfflineUnsaved() && !CMessageBox::YesNo(this, tr("离线编辑的配置尚未保存, 放弃修改吗?")))
            return;
        d->openedNumber = 0;
        d->openedDevice.clear();
        Link().Act(
            d->ui.openPortButton,
            [](CModbusMaster& master, uint8_t) {
                master.ClosePort();
                return true;
            },
            [this](bool) {
                d->ui.openPortButton->setText(tr("打开串口"));
                d->configFlow->EndOffline();
            });
        return;
    }
    const int baud = TextNumber::ParseInt(d->ui.baudCombo->currentText().toStdString());
    const int parity = d->parityIndex;
    uint32_t number = 0;
    std::string device;
    if (d->portIndex >= 0 && d->portIndex < kNamedComPorts) {
        number = static_cast<uint32_t>(d->portIndex + 1);
    } else {
        // A listed device, or a name typed in ("COM20", a path, a network port).
        device = d->portText.toStdString();
        const uint32_t com = ComNumber(device);
        if (com >= 1 && com <= 1024) {
            number = com;
            device.clear();
        }
    }
    Link().Act(
        d->ui.openPortButton,
        [number, device, baud, parity](CModbusMaster& master, uint8_t) {
            if (number) return master.OpenPort(number, baud, parity);
            return !device.empty() && master.OpenPort(device, baud, parity);
        },
        [this, number, device](bool opened) {
            if (opened) {
                d->openedNumber = number;
                d->openedDevice = device;
                d->ui.openPortButton->setText(tr("关闭串口"));
                SaveConnection();
            } else {
                // The link ran the open just now: the master's last reason is its.
                CMessageBox::Ok(this, CPortMessages::OpenFailure(m_master.LastOpenError()));
            }
        });
}

std::function<bool(CModbusMaster&, const Backup::LinkSettings&)> CDemoDlg::PortReopener() const
{
    if (d->openedNumber == 0 && d->openedDevice.empty()) return {};
    // Runs on the link thread: values only.
    return
        [number = d->openedNumber, device = d->openedDevice](CModbusMaster& master, const Backup::LinkSettings& link) {
            master.ClosePort();
            const int baud = static_cast<int>(link.baud);
            if (number) return master.OpenPort(number, baud, link.parityIndex);
            return master.OpenPort(device, baud, link.parityIndex);
        };
}

void CDemoDlg::OnLinkChanged(const std::optional<Backup::LinkSettings>& link)
{
    if (!link) {
        // The port could not be reopened: it may be closed now.
        if (!m_master.IsPortOpen()) d->ui.openPortButton->setText(tr("打开串口"));
        return;
    }
    UpdateData(true);
    const int baudIndex = d->ui.baudCombo->findText(QString::number(link->baud));
    if (baudIndex >= 0) d->baudIndex = baudIndex;
    d->parityIndex = link->parityIndex;
    d->addressText = QString::fromStdString(TextNumber::Format("0x%02X", static_cast<unsigned>(link->address)));
    UpdateData(false);
    OnAddressEdited();  // the device address and its boxes
}

void CDemoDlg::ShowLineSettingsFor()
{
    // Baud rate and parity are the gateway's or device server's business,
    // and the simulated drive has no line.
    const bool serial = HasLineSettings(d->PortShown().toStdString());
    d->ui.baudCombo->setEnabled(serial);
    d->ui.parityCombo->setEnabled(serial);
}

void CDemoDlg::RememberConnection()
{
    d->rememberConnection = true;
    QSettings settings;
    settings.beginGroup(QStringLiteral("connection"));
    UpdateData(true);
    d->portText = settings.value(QStringLiteral("port"), d->portText).toString();
    const int baud = settings.value(QStringLiteral("baud_index"), d->baudIndex).toInt();
    if (baud >= 0 && baud < d->ui.baudCombo->count()) d->baudIndex = baud;
    const int parity = settings.value(QStringLiteral("parity_index"), d->parityIndex).toInt();
    if (parity >= 0 && parity < d->ui.parityCombo->count()) d->parityIndex = parity;
    d->addressText = settings.value(QStringLiteral("address"), d->addressText).toString();
    UpdateData(false);
    OnAddressEdited();  // the device address and its boxes
    ShowLineSettingsFor();
}

void CDemoDlg::StartOn(const QString& port)
{
    d->portText = port;
    d->portNotRemembered = port;
    UpdateData(false);
    ShowLineSettingsFor();
    OnOpenPort();
}

void CDemoDlg::OpenOffline(const QString& port, std::function<void(bool)> opened)
{
    d->portText = port;
    d->portNotRemembered = port;
    // The drive inside the tool answers at address 1.
    d->addressText = QStringLiteral("0x01");
    UpdateData(false);
    OnAddressEdited();
    ShowLineSettingsFor();
    Link().Act(
        d->ui.openPortButton,
        [device = port.toStdString()](CModbusMaster& master, uint8_t) {
            master.ClosePort();
            return master.OpenPort(device, 9600, 0);
        },
        [this, device = port.toStdString(), opened = std::move(opened)](bool ok) {
            d->openedNumber = 0;
            d->openedDevice = ok ? device : std::string();
            d->ui.openPortButton->setText(ok ? tr("关闭串口") : tr("打开串口"));
            if (!ok) CMessageBox::Ok(this, CPortMessages::OpenFailure(m_master.LastOpenError()));
            opened(ok);
        });
}

// What would act on a motor or means nothing without a drive is disabled
// while a file is edited offline: the motor commands, learning,
// calibration, storing, and the tools that scan, listen or write registers.
void CDemoDlg::ShowOffline(const QString& path)
{
    const bool offline = !path.isEmpty();
    const QString title = tr("ZORIC_Modbus示例程序");
    setWindowTitle(offline ? tr("%1 — 离线: %2").arg(title, QFileInfo(path).fileName()) : title);
    if (!d->offlineNote) {
        d->offlineNote = new QLabel(tr("离线编辑: 各项检查由本工具完成, 不是驱动器固件的检查。"), this);
        d->offlineNote->setObjectName(QStringLiteral("offlineLabel"));
        static_cast<QBoxLayout*>(layout())->insertWidget(0, d->offlineNote);
    }
    d->offlineNote->setVisible(offline);
    d->offlineSave->setEnabled(offline);
    d->offlineSaveAs->setEnabled(offline);
    for (QAction* action : d->onlineOnly) action->setEnabled(!offline);
    const char* driveActions[] = {"pwmApplyButton",     "freqApplyButton",     "positionApplyButton",
                                  "stopButton",         "learnButton",         "calibrateButton",
                                  "objectsStoreButton", "measureTravelButton", "clearPositionButton"};
    for (const char* name : driveActions)
        for (QWidget* w : findChildren<QWidget*>(QString::fromLatin1(name))) w->setEnabled(!offline);
    if (offline) {
        for (QWidget* tool :
             {static_cast<QWidget*>(d->registerTool), static_cast<QWidget*>(d->driveScan.data()),
              static_cast<QWidget*>(d->busMonitor.data()), static_cast<QWidget*>(d->busOverview.data())})
            if (tool) tool->hide();
    }
}

void CDemoDlg::done(int result)
{
    // Closing with an offline edit not saved: save it first if the user wants.
    if (d->configFlow && d->configFlow->OfflineUnsaved() &&
        CMessageBox::YesNo(this, tr("离线编辑的配置 %1 已修改, 关闭前保存吗?")
                                     .arg(QFileInfo(d->configFlow->OfflinePath()).fileName()))) {
        d->configFlow->SaveOffline([this, result] { QDialog::done(result); });
        return;
    }
    QDialog::done(result);
}

void CDemoDlg::SaveConnection()
{
    if (!d->rememberConnection) return;
    UpdateData(true);
    QSettings settings;
    settings.beginGroup(QStringLiteral("connection"));
    if (d->portText != d->portNotRemembered) settings.setValue(QStringLiteral("port"), d->portText);
    settings.setValue(QStringLiteral("baud_index"), d->baudIndex);
    settings.setValue(QStringLiteral("parity_index"), d->parityIndex);
    settings.setValue(QStringLiteral("address"),
                      QString::fromStdString(
                          TextNumber::Format("0x%02X", static_cast<unsigned>(m_deviceAddress.load()))));
}

void CDemoDlg::OnAddressBit()
{
    UpdateData(true);
    int address = 1;
    for (size_t k = 0; k < d->addressBits.size(); ++k) {
        if (d->addressBits[k]) address += 1 << k;
    }
    m_deviceAddress = static_cast<uint8_t>(address);  // 1..128
    d->addressText = QString::fromStdString(TextNumber::Format("0x%02X", address));
    UpdateData(false);
}

void CDemoDlg::OnAddressEdited()
{
    UpdateData(true);
    const std::string text = d->addressText.toLower().toStdString();
    uint32_t value = 0;
    const size_t x = text.find('x');
    if (x != std::string::npos && x > 0) {
        if (!TextNumber::ParseHex(text, value)) value = 0;
    } else {
        value = static_cast<uint32_t>(TextNumber::ParseInt(text));
    }
    const uint8_t address = static_cast<uint8_t>(value & 0xFF);
    m_deviceAddress = address;
    d->addressText = QString::fromStdString(TextNumber::Format("0x%02X", static_cast<unsigned>(address)));
    // The boxes show the address in use; 0 and addresses above 128 have no
    // box pattern, so they are all cleared.
    for (size_t k = 0; k < d->addressBits.size(); ++k) {
        d->addressBits[k] = (address >= 1 && address <= 128) ? (((address - 1) >> k) & 1) : 0;
    }
    UpdateData(false);
}

void CDemoDlg::OnPortLost()
{
    d->portLossesSeen = m_master.PortLossCount();
    if (!m_master.IsPortLost()) return;  // opened again since: nothing is wrong now
    d->ui.openPortButton->setText(tr("打开串口"));
    // The dead port is released on the link, after what is queued (which
    // fails at once), so that the device can come back under its name. The
    // button stays disabled until then.
    Link().Act(
        d->ui.openPortButton,
        [](CModbusMaster& master, uint8_t) {
            if (master.IsPortLost()) master.ClosePort();
            return true;
        },
        [this](bool) { d->ui.openPortButton->setText(tr("打开串口")); });
    CMessageBox::Ok(this, CPortMessages::Lost(QString::fromStdString(m_master.PortName())));
}

void CDemoDlg::OnTimer()
{
    SetIfChanged(d->ui.sendEdit, QString::fromStdString(StatusFormat::FrameText(m_master.GetLastRequest())));
    SetIfChanged(d->ui.receiveEdit, QString::fromStdString(StatusFormat::FrameText(m_master.GetLastResponse())));

    // Told before the box shows: the timer goes on ticking under it.
    if (m_master.PortLossCount() != d->portLossesSeen) OnPortLost();
    if (!d->autoUpdate || !m_master.IsPortOpen() || m_master.IsPortLost() || d->pollPending) return;
    struct Poll {
        bool portOpen = false;
        ModbusResult result = kResultOk;
        RealtimeStatus status{};
    };
    d->pollPending = true;
    Link().Submit(
        this, LinkPriority::Periodic,
        [](CModbusMaster& master, uint8_t slave) {
            Poll poll;
            // A port closed since the tick has nothing to show.
            poll.portOpen = master.IsPortOpen();
            if (poll.portOpen) poll.result = master.ReadRealtimeStatus(slave, poll.status);
            return poll;
        },
        [this](const Poll& poll) {
            d->pollPending = false;
            if (poll.portOpen) ShowStatus(poll.result, poll.status);
        });
}

void CDemoDlg::ShowStatus(ModbusResult result, const RealtimeStatus& status)
{
    Ui::CDemoDlg& ui = d->ui;
    if (result != kResultOk) {
        const QString text = ResultMessage(result);
        for (QLabel* field : {ui.statusOutputPwmValueLabel, ui.statusPhaseCurrentValueLabel, ui.statusIn1ValueLabel,
                              ui.statusIn2ValueLabel, ui.statusDifferentialValueLabel, ui.statusSq1ValueLabel,
                              ui.statusSq2ValueLabel, ui.statusFrequencyValueLabel}) {
            SetIfChanged(field, text);
        }
        return;
    }
    m_speedRangeX10 = status.speedRangeX10;
    using StatusChannels::Channel;
    const std::pair<Channel, QLabel*> fields[] = {
        {Channel::OutputPwm, ui.statusOutputPwmValueLabel},
        {Channel::PhaseCurrent, ui.statusPhaseCurrentValueLabel},
        {Channel::Position, ui.statusPositionValueLabel},
        {Channel::Frequency, ui.statusFrequencyValueLabel},
        {Channel::In1, ui.statusIn1ValueLabel},
        {Channel::In2, ui.statusIn2ValueLabel},
        {Channel::In3, ui.statusIn3ValueLabel},
        {Channel::Differential, ui.statusDifferentialValueLabel},
        {Channel::Sq1, ui.statusSq1ValueLabel},
        {Channel::Sq2, ui.statusSq2ValueLabel},
        {Channel::InputPwm, ui.statusInputPwmValueLabel},
        {Channel::InputFrequency, ui.statusInputFrequencyValueLabel},
        {Channel::InputPulses, ui.statusInputPulsesValueLabel},
        {Channel::CompletionTime, ui.statusCompletionTimeValueLabel},
        {Channel::Speed, ui.statusSpeedValueLabel},
        {Channel::ErrorState, ui.statusErrorStateValueLabel},
        {Channel::Supply, ui.statusSupplyValueLabel},
        {Channel::Temperature, ui.statusTemperatureValueLabel},
    };
    for (const auto& [channel, field] : fields)
        SetIfChanged(field, StatusText(StatusChannels::ShownText(channel, status)));
}

void CDemoDlg::OnReadInfo()
{
    UpdateData(true);
    GroupActions::Read(this, d->ui.readInfoButton, &CModbusMaster::ReadDeviceInfo, [this](const DeviceInfo& info) {
        const StatusFormat::DeviceInfoTexts t = StatusFormat::FormatDeviceInfo(info);
        Ui::CDemoDlg& ui = d->ui;
        ui.infoIdValueLabel->setText(StatusText(t.identifier));
        ui.infoVersionValueLabel->setText(StatusText(t.version));
        ui.infoModelValueLabel->setText(QString::fromStdString(t.model));
        ui.infoPwmResolutionValueLabel->setText(StatusText(t.pwmResolution));
        ui.infoPwmFrequencyValueLabel->setText(StatusText(t.pwmFrequency));
        ui.infoMaxCurrentValueLabel->setText(StatusText(t.maxCurrent));
        ui.infoCurrentResolutionValueLabel->setText(StatusText(t.currentResolution));
    });
}

void CDemoDlg::OnOemInfo()
{
    struct Read {
        ModbusResult result = kResultOk;
        std::string text;
    };
    Link().Act(
        d->ui.oemInfoButton,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadDeviceIdentification(slave, read.text);
            return read;
        },
        [this](const Read& read) {
            if (read.result != kResultOk) {
                CMessageBox::Ok(this, ResultMessage(read.result));
                return;
            }
            QString shown = QString::fromStdString(read.text);
            shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            CMessageBox::Ok(this, shown);
        });
}

void CDemoDlg::OnClearPosition()
{
    if (!CMessageBox::YesNo(this, tr("真的要清零吗?"), tr("询问"))) return;
    // The drive's answer is not reported; the frame lines show it.
    Link().Act(
        d->ui.clearPositionButton,
        [](CModbusMaster& master, uint8_t slave) { return master.WritePositionClear(slave); }, [](ModbusResult) {});
}
