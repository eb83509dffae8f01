// The bus monitor window on the simulated drive: the frames in the table
// as they went over the line, a spoiled answer named, the filters, the
// bound on memory, the counts per slave and the exports.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "BusMonitorDlg.h"
#include "FileChoiceRecorder.h"
#include "FrameDecoder.h"
#include "GuiFixture.h"
#include "PtyBridge.h"

#include <unistd.h>

using namespace GuiActions;
using zoric::sim::SimFault;

namespace {

class BusMonitorTest : public CGuiFixture {
protected:
    void SetUp() override
    {
        CGuiFixture::SetUp();
        m_tool = m_dlg->BusMonitorTool();
        m_tool->show();
        ASSERT_TRUE(Settle());  // attached on the link thread
        m_dlg->m_master.SetResponseTimeout(200);
    }
    ModbusResult Read(uint16_t address)
    {
        uint8_t data[2];
        uint16_t length = 2;
        return m_dlg->m_master.ReadHoldingRegisters(1, address, 1, data, &length);
    }
    QTableWidget* Frames() const { return Find<QTableWidget>(m_tool, "framesTable"); }
    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = Frames()->item(row, column);
        return item ? item->text() : QString();
    }

    CBusMonitorDlg* m_tool = nullptr;
};

TEST_F(BusMonitorTest, ListsFramesFiltersCountsAndExports)
{
    // The live poll may add its own reads: only ours are looked at.
    m_tool->OnClear();
    Find<QSpinBox>(m_tool, "slaveSpin")->setValue(1);
    ASSERT_EQ(Read(0x60), kResultOk);
    const auto request = LastRequest();
    const auto answer = LastResponse();
    m_sim->InjectFault(SimFault::BadCrc, 1);
    EXPECT_EQ(Read(0x61), kResultTimeout);
    m_tool->Refresh();

    int ours = -1;
    for (int row = 0; row < Frames()->rowCount(); ++row)
        if (Cell(row, 8) == QString::fromStdString(FrameDecoder::Hex(request))) ours = row;
    ASSERT_GE(ours, 0);
    EXPECT_EQ(Cell(ours, 2), QStringLiteral("TX"));
    EXPECT_EQ(Cell(ours, 3), QStringLiteral("1"));
    EXPECT_EQ(Cell(ours, 4), QStringLiteral("0x03"));
    EXPECT_EQ(Cell(ours, 5), QStringLiteral("read 96 (1)"));
    EXPECT_EQ(Cell(ours + 1, 8), QString::fromStdString(FrameDecoder::Hex(answer)));
    EXPECT_EQ(Cell(ours + 1, 6), QStringLiteral("ok"));
    EXPECT_FALSE(Cell(ours + 1, 7).isEmpty());

    Find<QCheckBox>(m_tool, "failedCheck")->setChecked(true);
    ASSERT_EQ(Frames()->rowCount(), 2);
    EXPECT_EQ(Cell(0, 5), QStringLiteral("bad CRC, 7 bytes"));
    EXPECT_EQ(Cell(1, 5), QStringLiteral("timeout, no answer"));

    auto* counters = Find<QTableWidget>(m_tool, "countersTable");
    ASSERT_GE(counters->rowCount(), 1);
    EXPECT_EQ(counters->item(0, 0)->text(), QStringLiteral("1"));
    EXPECT_EQ(counters->item(0, 3)->text(), QStringLiteral("1"));  // time-outs
    EXPECT_EQ(counters->item(0, 4)->text(), QStringLiteral("1"));  // CRC errors

    QTemporaryDir dir;
    CFileChoiceRecorder files;
    files.Choose(dir.filePath("frames.csv"));
    Click(Find<QPushButton>(m_tool, "exportCsvButton"));
    QFile csv(dir.filePath("frames.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);  // the header and the two failures
    EXPECT_TRUE(lines[1].contains(QStringLiteral(",RX,1,0x03,bad CRC,\"bad CRC, 7 bytes\",timeout,,")));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(BusMonitorTest, MemoryIsBoundedAndPauseHolds)
{
    CBusMonitorDlg small(m_dlg.get(), 4);
    ASSERT_TRUE(Settle());
    for (int i = 0; i < 4; ++i) ASSERT_EQ(Read(0), kResultOk);
    small.Refresh();
    EXPECT_EQ(small.Log().All().size(), 4u);
    const uint64_t dropped = small.Log().Dropped();
    EXPECT_GE(dropped, 4u);  // the live poll may have added its reads
    EXPECT_TRUE(Find<QLabel>(&small, "droppedLabel")->text().contains(QString::number(dropped)));
    Click(Find<QPushButton>(&small, "pauseButton"));
    ASSERT_EQ(Read(0), kResultOk);
    EXPECT_EQ(small.Log().Dropped(), dropped);
}

TEST_F(BusMonitorTest, ListensWithoutSendingAndOnlyOnAFreePort)
{
    // The main window holds its port: listening would share it, so no.
    auto* listen = Find<QPushButton>(m_tool, "listenButton");
    ASSERT_TRUE(listen->isEnabled());
    listen->click();
    EXPECT_FALSE(listen->isChecked());
    EXPECT_FALSE(m_tool->Listening());
    EXPECT_TRUE(m_boxes.LastText().contains(QStringLiteral("关闭串口")));

    // On a free port the frames of another master come into the table.
    CPtyBridge bridge;
    ASSERT_TRUE(bridge.Ok());
    m_dlg->m_master.ClosePort();
    CBusMonitorDlg listener(m_dlg.get(), 1000, [&] {
        return CBusMonitorDlg::ListenPort{bridge.PathA(), "19200,n,8,2"};
    });
    auto* button = Find<QPushButton>(&listener, "listenButton");
    button->click();
    ASSERT_TRUE(listener.Listening()) << m_boxes.LastText().toStdString();
    EXPECT_TRUE(Find<QLabel>(&listener, "listenLabel")->text().contains(QString::fromStdString(bridge.PathA())));
    const int line = bridge.OpenRawB();
    ASSERT_GE(line, 0);
    const uint8_t request[] = {0x05, 0x06, 0x00, 0x77, 0x00, 0x01, 0xF9, 0x94};
    ASSERT_EQ(::write(line, request, sizeof request), static_cast<ssize_t>(sizeof request));
    auto table = Find<QTableWidget>(&listener, "framesTable");
    for (int i = 0; i < 100 && table->rowCount() == 0; ++i) {
        QTest::qWait(20);
        listener.Refresh();
    }
    ::close(line);
    ASSERT_GE(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("MA"));
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("5"));
    EXPECT_EQ(table->item(0, 5)->text(), QStringLiteral("write 119 = 1"));

    button->click();
    EXPECT_FALSE(listener.Listening());
}

}  // namespace
