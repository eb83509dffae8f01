// The lists of the pages against the field tables: a register the page
// selects an item for is the item a configuration file names, and the pages
// judge "no such item" by the table's list.
#include <QComboBox>
#include <QWidget>

#include "CommParamDlg.h"
#include "FieldGroups.h"
#include "GuiFixture.h"
#include "MotorParamDlg.h"
#include "ReciprocateDlg.h"
#include "SystemParamDlg.h"

namespace {

class FieldLists : public CGuiFixture {
protected:
    void ExpectItems(QWidget* page, const char* combo, const FieldRules::Field& field)
    {
        SCOPED_TRACE(field.key);
        auto* box = GuiActions::Find<QComboBox>(page, combo);
        ASSERT_NE(box, nullptr) << combo;
        ASSERT_EQ(static_cast<size_t>(box->count()), field.items.size());
        for (int i = 0; i < box->count(); ++i)
            EXPECT_EQ(box->itemText(i), QString::fromUtf8(field.items[static_cast<size_t>(i)]));
    }
};

TEST_F(FieldLists, EveryListOfThePagesHasTheTablesItems)
{
    using FieldRules::Rule;
    QWidget* motor = m_dlg->MotorParamPage();
    ExpectItems(motor, "speedAlgorithmCombo", Rule("motor.speed_algorithm"));
    ExpectItems(motor, "learningStateCombo", Rule("motor.learning_state"));

    QWidget* system = m_dlg->SystemParamPage();
    ExpectItems(system, "limitPolarityCombo", Rule("system.limit_polarity"));
    ExpectItems(system, "digitalPolarityCombo", Rule("system.digital_polarity"));
    ExpectItems(system, "potUsageCombo", Rule("system.pot_usage"));
    ExpectItems(system, "pulseTypeCombo", Rule("system.pulse_type"));
    ExpectItems(system, "analogTypeCombo", Rule("system.analog_type"));
    ExpectItems(system, "logicTypeCombo", Rule("system.logic_type"));
    ExpectItems(system, "portInputCombo", Rule("system.port_input_type"));
    ExpectItems(system, "portControlCombo", Rule("system.port_control_type"));

    QWidget* reciprocate = m_dlg->ReciprocatePage();
    ExpectItems(reciprocate, "homingModeCombo", Rule("reciprocate.homing_mode"));
    ExpectItems(reciprocate, "speedModeCombo", Rule("preset.speed_mode"));
    ExpectItems(reciprocate, "controlModeCombo", Rule("preset.control_mode"));

    QWidget* comm = m_dlg->CommParamPage();
    ExpectItems(comm, "baud485Combo", Rule("comm.baud_rate"));
    ExpectItems(comm, "parityCombo", Rule("comm.parity"));
    ExpectItems(comm, "canBaudCombo", Rule("can.baud_rate"));
    ExpectItems(comm, "modeCombo", Rule("can.mode"));
}

}  // namespace
