#pragma once
// CPdoEditDlg: the window "编辑PDO" for one of the drive's eight PDOs: its
// communication parameters and its mapping, read and written through the
// SDO tunnel as tasks on the link. Owned by the communication page, created
// hidden; Enter, Esc and the close box hide it. It also keeps the
// communication parameters of all eight PDOs that the page's list shows.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "JobControl.h"
#include "PdoCommRecord.h"
#include "PdoObjects.h"
#include "SdoStep.h"

class QCheckBox;
class QLineEdit;
namespace Ui {
class CPdoEditDlg;
}

class CPdoEditDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr size_t kMapRows = PdoObjects::kMapEntries;

    explicit CPdoEditDlg(QWidget* parent = nullptr);
    ~CPdoEditDlg() override;

    // Prepares the window for PDO n (0-3 RPDO1-4, 4-7 TPDO1-4) and starts loading it;
    // a load or configuration still under way is cancelled and shows nothing.
    void OpenPdo(int n);
    // "载入": reads the communication parameters from the drive as well.
    void OnLoad();
    // "配置": writes the PDO.
    void OnConfigure();

    // The communication parameters of the eight PDOs, as the page's list shows them.
    PdoCommRecord Record(int n) const { return m_records[static_cast<size_t>(n)]; }
    template <typename Fn>
    void UpdateRecord(int n, Fn&& change)
    {
        change(m_records[static_cast<size_t>(n)]);
    }

    int m_reload = 0;
    int m_current = 0;

signals:
    // A configuration went through: the drive has something to store.
    void configured();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The values the configuration writes, taken from the controls.
    struct Entries {
        std::string cobId, eventTime, inhibitTime, count, transmissionType;
        std::array<std::string, kMapRows> index, subindex, bits;
        std::array<int, kMapRows> checked{};
        PdoObjects::GivenTimes times;  // a disabled, empty time field gives none
    };
    // The first value the write would send that is no number.
    struct Missing {
        enum class Field { None, CobId, TransmissionType, InhibitTime, EventTime, MapIndex, MapSub, MapBits, Count };
        Field field = Field::None;
        size_t row = 0;  // of a mapping row
    };
    struct ObjectValue {
        uint16_t index;
        uint8_t subindex;
        uint32_t value;
    };
    struct Loaded;
    struct Configured;

    void UpdateData(bool fromControls);
    void ShowLoaded(int n, const Loaded& loaded);
    void ShowConfigured(const Configured& configured);
    // Ends the load or configuration under way: its result will show nothing.
    void CancelTask();
    static Missing FindMissing(const Entries& entries, int32_t commEntries);
    QString MissingName(const Missing& missing) const;
    // What the configuration writes, from the entries.
    static PdoCommRecord CommValues(const Entries& entries);
    static PdoObjects::MappingEntries MappingValues(const Entries& entries);
    // One value the load read: into its field.
    void ShowValue(int n, uint16_t index, uint8_t subindex, uint32_t value);
    void SetText(QString& value, QLineEdit* edit, const QString& text);

    std::unique_ptr<Ui::CPdoEditDlg> ui;

    std::array<PdoCommRecord, PdoObjects::kPdoCount> m_records{};
    // The task under way, and a count of the tasks started: a result of an
    // earlier one is not shown.
    std::shared_ptr<CJobControl> m_task;
    uint64_t m_tasks = 0;

    // Stored values.
    QString m_cobIdText;
    QString m_eventTimeText;
    QString m_inhibitTimeText;
    std::array<QString, kMapRows> m_indexTexts;
    QString m_countText;
    std::array<QString, kMapRows> m_bitsTexts;
    std::array<QString, kMapRows> m_subTexts;
    QString m_transmissionTypeText;
    std::array<int, kMapRows> m_checks{};

    std::array<QLineEdit*, kMapRows> m_indexEdits{};
    std::array<QLineEdit*, kMapRows> m_subEdits{};
    std::array<QLineEdit*, kMapRows> m_bitsEdits{};
    std::array<QCheckBox*, kMapRows> m_checkBoxes{};
};
