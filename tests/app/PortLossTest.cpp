// The main window when its port's device goes away (the simulator stops, as
// an unplugged adapter does) and when a port does not open.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

#include "AnswerTrigger.h"
#include "CommParamDlg.h"
#include "CpuTime.h"
#include "GuiFixture.h"
#include "cnComm.h"

using namespace GuiActions;

namespace {

constexpr int kComboCom3 = 2;

class PortLossTest : public CGuiFixture {
protected:
    void SetUp() override
    {
        CGuiFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(m_comDir.isValid());
        qputenv("ZORIC_COM_DIR", m_comDir.path().toLocal8Bit());
    }
    void TearDown() override
    {
        cnComm::SetOpenFunction(nullptr);
        qunsetenv("ZORIC_COM_DIR");
        CGuiFixture::TearDown();
    }

    QPushButton* OpenButton() const { return Find<QPushButton>(m_dlg.get(), "openPortButton"); }
    // Publishes the simulator as COM3, as zoric-sim --port COM3 does.
    void PublishAsCom3()
    {
        QFile::remove(m_comDir.filePath("COM3"));
        ASSERT_TRUE(QFile::link(QString::fromStdString(m_sim->SlavePath()), m_comDir.filePath("COM3")));
    }
    // Closes the fixture's port and opens COM3 with the button, as the user does.
    void OpenCom3WithTheButton()
    {
        PublishAsCom3();
        Click(OpenButton());  // the fixture opened it directly: this closes
        Select(Find<QComboBox>(m_dlg.get(), "portCombo"), kComboCom3);
        Click(OpenButton());
        ASSERT_TRUE(m_dlg->m_master.IsPortOpen());
        ASSERT_EQ(OpenButton()->text(), QStringLiteral("关闭串口"));
    }
    // The drive goes away; true once the window has told the user.
    bool Unplug(const QString& port)
    {
        m_sim->Stop();
        m_lostText = QStringLiteral("串口已断开: %1\n设备已拔出或已关闭。接好设备后请重新打开串口。").arg(port);
        return QTest::qWaitFor([&] { return m_boxes.Texts().contains(m_lostText); }, 2000);
    }
    void ExpectToldOnceAndShownClosed()
    {
        ASSERT_TRUE(Settle());
        EXPECT_EQ(m_boxes.Texts().count(m_lostText), 1) << m_boxes.Texts().join(" | ").toStdString();
        EXPECT_EQ(OpenButton()->text(), QStringLiteral("打开串口"));
        EXPECT_TRUE(OpenButton()->isEnabled());
        EXPECT_FALSE(m_dlg->m_master.IsPortOpen()) << "the dead port is released";
    }
    // CPU of the whole program over a second of serving the window's events.
    static double CpuOfASecond()
    {
        return CpuMsDuring([] { Pump(1000); });
    }

    QTemporaryDir m_comDir;
    QString m_lostText;
};

TEST_F(PortLossTest, DuringThePollTheLossIsToldOnceAndThePollStops)
{
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    auto* in1 = Find<QLabel>(m_dlg.get(), "statusIn1ValueLabel");
    ASSERT_TRUE(QTest::qWaitFor([&] { return in1->text() != QStringLiteral("-"); }, 2000));

    ASSERT_TRUE(Unplug(QString::fromStdString(m_sim->SlavePath())));
    ExpectToldOnceAndShownClosed();
    EXPECT_LT(CpuOfASecond(), kIdleCpuMsPerSecond) << "nothing spins on the hung-up port";
    EXPECT_EQ(m_boxes.Texts().count(m_lostText), 1) << "not told again";
    EXPECT_FALSE(m_boxes.Texts().contains(QStringLiteral("通讯超时")));
    EXPECT_TRUE(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck")->isChecked()) << "it polls again once reopened";
}

TEST_F(PortLossTest, AnObjectListLoadEndsAtTheLossWithOneMessageOfItsOwn)
{
    CCommParamDlg* page = m_dlg->CommParamPage();
    // The drive goes away once the loader has read its second row (RPDO2's mapping count last).
    CAnswerTrigger unplug("SDO uploaded 1601:00", [this] {
        if (m_sim->IsRunning()) m_sim->Stop();
    });
    m_dlg->m_master.SetFrameMonitor(&unplug);
    struct Detach {
        CModbusMaster& master;
        ~Detach() { master.SetFrameMonitor(nullptr); }
    } detach{m_dlg->m_master};
    auto* load = Find<QPushButton>(page, "objectsLoadButton");
    const auto started = std::chrono::steady_clock::now();
    Click(load);
    ASSERT_TRUE(QTest::qWaitFor([&] { return load->isEnabled() && !page->m_loading; }, 3000));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900))
        << "no exchange waited for its time-out";
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_boxes.Count() >= 2; }, 2000));
    m_lostText = QStringLiteral("串口已断开: %1\n设备已拔出或已关闭。接好设备后请重新打开串口。")
                     .arg(QString::fromStdString(m_sim->SlavePath()));
    ExpectToldOnceAndShownClosed();
    EXPECT_EQ(m_boxes.Texts().count(QStringLiteral("串口未打开")), 1) << m_boxes.Texts().join(" | ").toStdString();
    EXPECT_EQ(m_boxes.Count(), 2);
}

TEST_F(PortLossTest, WhileIdleTheLossIsToldAndTheSameNameOpensOnceTheDeviceIsBack)
{
    OpenCom3WithTheButton();
    Pump(200);
    ASSERT_TRUE(Unplug(QStringLiteral("COM3")));
    ExpectToldOnceAndShownClosed();
    EXPECT_LT(CpuOfASecond(), kIdleCpuMsPerSecond);

    // The drive is back under the same name (a new pseudo-terminal).
    m_sim = std::make_unique<zoric::sim::CDriveSimulator>(SimulatorOptions());
    ASSERT_TRUE(m_sim->Start());
    PublishAsCom3();
    m_boxes.Clear();
    Click(OpenButton());
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(OpenButton()->text(), QStringLiteral("关闭串口"));
    Click(Find<QPushButton>(m_dlg.get(), "readInfoButton"));
    EXPECT_EQ(m_boxes.Count(), 0) << m_boxes.LastText().toStdString();
    EXPECT_EQ(Find<QLabel>(m_dlg.get(), "infoVersionValueLabel")->text(), QStringLiteral("2.03"));
}

// ---- why a port does not open ----

int DeniedOpen(const char*, int)
{
    errno = EACCES;
    return -1;
}

TEST_F(PortLossTest, AFailedOpenSaysWhyAfterTheUsualText)
{
    PublishAsCom3();
    Click(OpenButton());  // closes the fixture's port
    auto* port = Find<QComboBox>(m_dlg.get(), "portCombo");

    Select(port, 6);  // COM7: published by nobody
    Click(OpenButton());
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("打开串口失败: COM7\n找不到设备: COM7 对应 /dev/ttyS6（%1 不存在）")
                                      .arg(m_comDir.filePath("COM7")));

    CModbusMaster other;  // another program holds COM3
    ASSERT_TRUE(other.OpenPort(QStringLiteral("COM3").toStdString(), 9600, 0));
    Select(port, kComboCom3);
    Click(OpenButton());
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("打开串口失败: COM3\n串口已被其他程序占用（")));
    EXPECT_TRUE(m_boxes.LastText().endsWith(QStringLiteral("进程号 %1）").arg(getpid())));
    other.ClosePort();

    cnComm::SetOpenFunction(DeniedOpen);  // root opens anything: the refusal is injected
    Click(OpenButton());
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("打开串口失败: COM3\n没有权限打开 %1。\n请把当前用户加入 dialout 组"
                                                 "（sudo usermod -aG dialout $USER），然后重新登录。")
                                      .arg(m_comDir.filePath("COM3")));
    cnComm::SetOpenFunction(nullptr);
    EXPECT_FALSE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(OpenButton()->text(), QStringLiteral("打开串口"));

    Click(OpenButton());
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen()) << m_boxes.LastText().toStdString();
}

}  // namespace
