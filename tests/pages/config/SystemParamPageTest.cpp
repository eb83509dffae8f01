// The page "系统参数" on the main window against the simulated drive.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "PageFixture.h"
#include "SystemParamDlg.h"

namespace {

using namespace GuiActions;

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

class SystemParamPage : public CPageFixture<CSystemParamDlg, &CDemoDlg::SystemParamPage> {
protected:
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(page, name); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(page, name); }
    void Press(const char* name) { Click(Find<QPushButton>(page, name)); }
    void SetU32(uint16_t reg, uint32_t v)
    {
        m_sim->SetRegister(reg, static_cast<uint16_t>(v >> 16));
        m_sim->SetRegister(static_cast<uint16_t>(reg + 1), static_cast<uint16_t>(v));
    }
    uint32_t GetU32(uint16_t reg)
    {
        return static_cast<uint32_t>(m_sim->GetRegister(reg)) << 16 |
               m_sim->GetRegister(static_cast<uint16_t>(reg + 1));
    }
    // A drive whose values exercise every conversion of the page.
    void PresetDrive()
    {
        const uint16_t values[] = {9, 3, 2, 1, 1, 3, 65036, 5000, 0, 10000, 2000, 150};
        for (uint16_t i = 0; i < 12; ++i) m_sim->SetRegister(static_cast<uint16_t>(128 + i), values[i]);
        SetU32(140, Bits(1.5f));
        m_sim->SetRegister(142, 25);
        m_sim->SetRegister(143, 77);
        SetU32(150, Bits(0.98f));
        m_sim->SetRegister(152, 65036);
        m_sim->SetRegister(153, 1);
        m_sim->SetRegister(154, 4);
        m_sim->SetRegister(155, 6);
    }
    void ReadOk()
    {
        Press("readButton");
        ASSERT_EQ(m_boxes.Count(), 0) << m_boxes.LastText().toStdString();
    }
};

TEST_F(SystemParamPage, StartsEmptyAndReadShowsEveryFieldInItsUnit)
{
    EXPECT_EQ(Combo("logicTypeCombo")->currentIndex(), -1);
    EXPECT_TRUE(Text("potLowEdit").isEmpty());
    EXPECT_FALSE(Find<QPushButton>(page, "writeButton")->isEnabled());

    PresetDrive();
    ReadOk();
    EXPECT_EQ(Combo("limitPolarityCombo")->currentIndex(), -1);  // 9 is no item
    EXPECT_EQ(Combo("digitalPolarityCombo")->currentIndex(), 3);
    EXPECT_EQ(Combo("potUsageCombo")->currentIndex(), 2);
    EXPECT_EQ(Combo("logicTypeCombo")->currentIndex(), 3);
    EXPECT_EQ(Combo("portInputCombo")->currentIndex(), 4);
    EXPECT_EQ(Combo("portControlCombo")->currentIndex(), 6);
    EXPECT_EQ(Text("potLowEdit"), "65.036");  // voltages are unsigned
    EXPECT_EQ(Text("potHighEdit"), "5.000");
    EXPECT_EQ(Text("analogLowEdit"), "0.000");
    EXPECT_EQ(Text("analogHighEdit"), "10.000");
    EXPECT_EQ(Text("logicThresholdEdit"), "2.000");
    EXPECT_EQ(Text("deadZoneEdit"), "0.150");
    EXPECT_EQ(Text("pulseMultiplierEdit"), "1.500000");
    EXPECT_EQ(Text("stallTimeEdit"), "2.5");
    EXPECT_EQ(Text("analogFactorEdit"), "0.980000");
    EXPECT_EQ(Text("analogOffsetEdit"), "-0.500");  // the offset is signed
    EXPECT_TRUE(Find<QCheckBox>(page, "buzzerDisabledCheck")->isChecked());
    EXPECT_TRUE(Find<QPushButton>(page, "writeButton")->isEnabled());
}

TEST_F(SystemParamPage, UnchangedWriteAfterReadSendsBackEveryValue)
{
    PresetDrive();
    ReadOk();
    // Scribble over the drive so that only a real write brings the values back.
    for (uint16_t r = 128; r <= 143; ++r) m_sim->SetRegister(r, 0x5555);
    for (uint16_t r = 150; r <= 155; ++r) m_sim->SetRegister(r, 0x5555);

    Press("writeButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"操作成功"});
    EXPECT_EQ(m_sim->GetRegister(128), 65535);  // no selection
    const uint16_t expected[] = {3, 2, 1, 1, 3, 65036, 5000, 0, 10000, 2000, 150};
    for (uint16_t i = 0; i < 11; ++i)
        EXPECT_EQ(m_sim->GetRegister(static_cast<uint16_t>(129 + i)), expected[i]) << 129 + i;
    EXPECT_EQ(GetU32(140), Bits(1.5f));
    EXPECT_EQ(m_sim->GetRegister(142), 25);
    EXPECT_EQ(m_sim->GetRegister(143), 0);
    EXPECT_EQ(GetU32(150), Bits(0.98f));
    EXPECT_EQ(m_sim->GetRegister(152), 65036);
    EXPECT_EQ(m_sim->GetRegister(153), 1);
    EXPECT_EQ(m_sim->GetRegister(154), 4);
    EXPECT_EQ(m_sim->GetRegister(155), 6);
}

TEST_F(SystemParamPage, TypedNumbersAreScaledOnTheirDigits)
{
    ReadOk();
    Enter(Edit("potLowEdit"), "2.01");
    Enter(Edit("potHighEdit"), "3.3009");
    Enter(Edit("analogHighEdit"), "3.3");
    Enter(Edit("deadZoneEdit"), "-0.5");
    Enter(Edit("analogOffsetEdit"), "-0.5");
    Enter(Edit("pulseMultiplierEdit"), "1.5");
    Enter(Edit("analogFactorEdit"), "2.01");
    Enter(Edit("stallTimeEdit"), "2.55");
    Enter(Edit("logicThresholdEdit"), "abc");
    Select(Combo("portControlCombo"), 3);
    Press("writeButton");
    EXPECT_EQ(m_boxes.LastText(), "操作成功");
    EXPECT_EQ(m_sim->GetRegister(134), 2010);
    EXPECT_EQ(m_sim->GetRegister(135), 3300);
    EXPECT_EQ(m_sim->GetRegister(137), 3300);
    EXPECT_EQ(m_sim->GetRegister(139), 65036);
    EXPECT_EQ(m_sim->GetRegister(152), 65036);
    EXPECT_EQ(GetU32(140), 0x3FC00000u);
    EXPECT_EQ(GetU32(150), Bits(2.01f));
    EXPECT_EQ(m_sim->GetRegister(142), 25);
    EXPECT_EQ(m_sim->GetRegister(138), 0);
    EXPECT_EQ(m_sim->GetRegister(155), 3);

    m_boxes.Clear();
    ReadOk();
    EXPECT_EQ(Text("deadZoneEdit"), "65.036");
    EXPECT_EQ(Text("analogOffsetEdit"), "-0.500");
    EXPECT_EQ(Text("pulseMultiplierEdit"), "1.500000");
    EXPECT_EQ(Text("analogFactorEdit"), "2.010000");
}

TEST_F(SystemParamPage, ChoosingSignalTypesSuggestsRangesWithoutSending)
{
    Enter(Edit("potLowEdit"), "7.7");
    const uint64_t before = RequestCount();
    Select(Combo("analogTypeCombo"), 1);  // 差分信号
    EXPECT_EQ(Text("analogLowEdit"), "0.000");
    EXPECT_EQ(Text("analogHighEdit"), "3.300");
    Select(Combo("analogTypeCombo"), 3);
    EXPECT_EQ(Text("analogHighEdit"), "5.000");
    Select(Combo("analogTypeCombo"), 2);
    EXPECT_EQ(Text("analogHighEdit"), "10.000");
    Select(Combo("logicTypeCombo"), 3);  // 0/12V或0/24V
    EXPECT_EQ(Text("logicThresholdEdit"), "5.000");
    Select(Combo("logicTypeCombo"), 2);
    EXPECT_EQ(Text("logicThresholdEdit"), "3.000");
    Select(Combo("logicTypeCombo"), 0);
    EXPECT_EQ(Text("logicThresholdEdit"), "2.000");
    EXPECT_EQ(Text("potLowEdit"), "7.7");  // typed elsewhere, kept
    EXPECT_EQ(RequestCount(), before);
    EXPECT_EQ(m_boxes.Count(), 0);

    // A read sets the combos without suggesting anything.
    m_sim->SetRegister(132, 1);
    m_sim->SetRegister(137, 4000);
    ReadOk();
    EXPECT_EQ(Text("analogHighEdit"), "4.000");
}

TEST_F(SystemParamPage, FailuresStopAtTheFirstBlockAndSayWhy)
{
    PresetDrive();
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    uint64_t before = RequestCount();
    Press("readButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"通讯超时"});
    EXPECT_EQ(RequestCount(), before + 1);  // the second block was not asked for
    EXPECT_TRUE(Text("potHighEdit").isEmpty());
    EXPECT_FALSE(Find<QPushButton>(page, "writeButton")->isEnabled());

    m_boxes.Clear();
    ReadOk();
    Enter(Edit("analogOffsetEdit"), "1.25");
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    before = RequestCount();
    Press("writeButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"通讯超时"});
    EXPECT_EQ(RequestCount(), before + 1);
    EXPECT_EQ(m_sim->GetRegister(152), 65036);  // second block untouched

    m_boxes.Clear();
    m_dlg->m_master.ClosePort();
    Press("writeButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"串口未打开"});
}

TEST_F(SystemParamPage, LongReadBackTextIsShownAndSentWhole)
{
    // "%f" of 12345.678 has more characters than the box takes when typing.
    SetU32(140, Bits(12345.678f));
    ReadOk();
    EXPECT_EQ(Text("pulseMultiplierEdit"), "12345.677734");
    SetU32(140, 0);
    Press("writeButton");
    EXPECT_EQ(GetU32(140), Bits(12345.678f));
}

TEST_F(SystemParamPage, ClosingTheMainWindowMidExchangeShowsNothing)
{
    PresetDrive();
    ReadOk();
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    ClickNoWait(Find<QPushButton>(page, "readButton"));
    ClickNoWait(Find<QPushButton>(page, "writeButton"));  // queued behind the silent read
    ASSERT_FALSE(m_dlg->Link().Idle());
    page = nullptr;
    m_dlg.reset();
    EXPECT_EQ(g_pMainDlg, nullptr);
    Pump(50);
    EXPECT_EQ(m_boxes.Count(), 0);
}

}  // namespace
