// The scan window against two simulated drives (3 and 17) at 19200 baud:
// it finds exactly them, gives the port back as it was, a drive chosen
// becomes the main window's address and line, and Cancel stops it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "DriveScanDlg.h"
#include "GuiFixture.h"

using namespace GuiActions;

namespace {

class DriveScanDlgTest : public CGuiFixture {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.slaveAddress = 3;
        options.otherSlaves = {17};
        options.baudRate = 19200;
        return options;
    }
    void SetUp() override
    {
        CGuiFixture::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        // Opened through the connection controls, as a user does: COM3 at 19200.
        qputenv("ZORIC_COM_DIR", m_dir.path().toLocal8Bit());
        ASSERT_TRUE(QFile::link(QString::fromStdString(m_sim->SlavePath()), m_dir.filePath("COM3")));
        auto* open = Find<QPushButton>(m_dlg.get(), "openPortButton");
        Click(open);  // the fixture's port closes
        Select(Find<QComboBox>(m_dlg.get(), "portCombo"), 2);
        Select(Find<QComboBox>(m_dlg.get(), "baudCombo"), 2);
        Click(open);
        ASSERT_TRUE(m_dlg->m_master.IsPortOpen());
        m_tool = m_dlg->DriveScanTool();
        m_tool->show();
    }
    void TearDown() override
    {
        qunsetenv("ZORIC_COM_DIR");
        CGuiFixture::TearDown();
    }
    template <class T>
    T* Get(const char* name) const
    {
        return Find<T>(m_tool, name);
    }
    void WaitForEnd(int ms)
    {
        for (int waited = 0; m_tool->Running() && waited < ms; waited += 20) Pump(20);
    }

    QTemporaryDir m_dir;
    CDriveScanDlg* m_tool = nullptr;
};

TEST_F(DriveScanDlgTest, FindsBothDrivesAndTheOneChosenBecomesTheConnection)
{
    Get<QSpinBox>("firstSpin")->setValue(3);
    Get<QSpinBox>("lastSpin")->setValue(17);
    Get<QSpinBox>("timeoutSpin")->setValue(80);
    Get<QCheckBox>("baud19200Check")->setChecked(true);  // 9600 is ticked already
    ClickNoWait(Get<QPushButton>("startButton"));
    EXPECT_TRUE(m_tool->Running());
    WaitForEnd(20000);
    ASSERT_FALSE(m_tool->Running());
    ASSERT_EQ(m_tool->Found().size(), 2u);
    EXPECT_EQ(m_tool->Found()[0].slave, 3);
    EXPECT_EQ(m_tool->Found()[1].slave, 17);
    for (const auto& drive : m_tool->Found()) {
        EXPECT_EQ(drive.baud, 19200);
        EXPECT_EQ(drive.parity, 0);
    }
    auto* table = Get<QTableWidget>("foundTable");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("17"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("无+2停止位"));
    EXPECT_EQ(Get<QLabel>("statusLabel")->text(), QStringLiteral("扫描完成，找到 2 台设备"));
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());  // given back as it was
    EXPECT_EQ(m_boxes.Count(), 0);

    table->selectRow(1);
    Click(Get<QPushButton>("useButton"));
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 17);
    EXPECT_EQ(Find<QComboBox>(m_dlg.get(), "baudCombo")->currentText(), QStringLiteral("19200"));
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
    uint8_t data[2];
    uint16_t length = 2;
    EXPECT_EQ(m_dlg->m_master.ReadHoldingRegisters(17, 156, 1, data, &length), kResultOk);
}

TEST_F(DriveScanDlgTest, CancelStopsWithinAProbe)
{
    for (const char* name : {"baud19200Check", "baud38400Check", "parity1Check"})
        Get<QCheckBox>(name)->setChecked(true);
    Get<QSpinBox>("timeoutSpin")->setValue(200);
    ClickNoWait(Get<QPushButton>("startButton"));
    Pump(300);
    ASSERT_TRUE(m_tool->Running());
    Get<QPushButton>("cancelButton")->click();
    WaitForEnd(2000);  // a whole scan would take minutes
    EXPECT_FALSE(m_tool->Running());
    EXPECT_TRUE(Get<QLabel>("statusLabel")->text().startsWith(QStringLiteral("扫描已取消")));
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
}

TEST_F(DriveScanDlgTest, NeedsAnOpenPort)
{
    Click(Find<QPushButton>(m_dlg.get(), "openPortButton"));
    ASSERT_FALSE(m_dlg->m_master.IsPortOpen());
    Click(Get<QPushButton>("startButton"));
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("请先打开串口"));
    EXPECT_FALSE(m_tool->Running());
}

}  // namespace
