#pragma once
// CPdoEditDlg: the window "编辑PDO" for one of the drive's eight PDOs: its
// communication parameters and its mapping, read and written through the
// SDO tunnel on a worker thread. Owned by the communication page, created
// hidden; Enter, Esc and the close box hide it. It also keeps the
// communication parameters of all eight PDOs that the page's list shows.

#include <QDialog>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "PdoCommRecord.h"
#include "PageWorker.h"
#include "PdoObjects.h"
#include "SdoStep.h"

class CCommParamDlg;
class QLineEdit;
namespace Ui {
class CPdoEditDlg;
}

class CPdoEditDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr size_t kMapRows = PdoObjects::kMapEntries;

    CPdoEditDlg(CCommParamDlg* page, QWidget* parent = nullptr);
    ~CPdoEditDlg() override;

    // Prepares the window for PDO n (0-3 RPDO1-4, 4-7 TPDO1-4) and starts loading it (UI thread).
    void OpenPdo(int n);
    // "载入": reads the communication parameters from the drive as well.
    void OnLoad();
    // "配置": writes the PDO on a worker.
    void OnConfigure();

    // Ends a running worker and waits for it; the window is not touched by
    // it afterwards. Used when the page or the window goes away.
    void Shutdown();

    // The stored communication parameters, shared with the page's loader.
    PdoCommRecord Record(int n) const;
    void SetRecord(int n, const PdoCommRecord& record);
    template <typename Fn>
    void UpdateRecord(int n, Fn&& change)
    {
        std::lock_guard<std::mutex> lock(m_recordsMutex);
        change(m_records[static_cast<size_t>(n)]);
    }

    std::atomic<int> m_reload{0};
    // The load and configure worker, one run at a time.
    CPageWorker m_worker;
    int m_current = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The values the configure worker writes, taken from the controls.
    struct Entries {
        QString cobId, eventTime, inhibitTime, count, transmissionType;
        std::array<QString, kMapRows> index, subindex, bits;
        std::array<int, kMapRows> checked{};
        PdoObjects::GivenTimes times;  // a disabled, empty time field gives none
    };

    void UpdateData(bool fromControls);
    void LoadPdoWorker(int n, bool reload);
    void ConfigurePdoWorker(int n, Entries entries);
    // Field name when a value that would be written is no number; empty when all are.
    QString MissingField(const Entries& entries, int32_t commEntries) const;
    // What the configuration writes, from the entries.
    static PdoCommRecord CommValues(const Entries& entries);
    static PdoObjects::MappingEntries MappingValues(const Entries& entries);
    // One value the load read: into its field.
    void ShowValue(int n, uint16_t index, uint8_t subindex, uint32_t value);

    // Worker → UI thread; false once the window is going away.
    bool Ui(const std::function<void()>& fn);
    void SetText(QString& value, QLineEdit* edit, const QString& text);
    void ReportFailure(const SdoStep& step);

    std::unique_ptr<Ui::CPdoEditDlg> ui;
    CCommParamDlg* m_page;

    mutable std::mutex m_recordsMutex;
    std::array<PdoCommRecord, PdoObjects::kPdoCount> m_records{};

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
    std::array<class QCheckBox*, kMapRows> m_checkBoxes{};
};
