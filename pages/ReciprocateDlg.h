#pragma once
// The page "往复运动": homing and travel of the reciprocating operation
// (registers 160..169), its test commands (register 170) and the preset
// forward and reverse speeds (176..179). After a travel measurement it
// watches register 170 every 250 ms (a periodic read on the drive link, one
// at a time) and reloads the process values once the drive reports the
// measurement finished.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "FieldBinding.h"
#include "PresetSpeeds.h"
#include "ReciprocateParams.h"

class QPushButton;
class QTimer;

namespace Ui {
class CReciprocateDlg;
}

class CReciprocateDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWatchPeriodMs = 250;

    explicit CReciprocateDlg(QWidget* parent = nullptr);
    ~CReciprocateDlg() override;

    // Moves the stored values to the controls (false) or back (true).
    void UpdateData(bool fromControls);

    bool TravelMeasurementPending() const { return m_travelMeasurementPending; }

private:
    void OnProcessRead();
    void OnProcessWrite();
    void OnPresetRead();
    void OnPresetWrite();
    void SendTestCommand(QPushButton* trigger, uint16_t command);
    void OnWatchTick();
    // Held by the continuation of every action of the page (the watch's
    // reload included) until its result has been shown, message box
    // included, or dropped.
    std::shared_ptr<void> MarkBusy();
    bool IsBusy() const { return !m_busy.expired(); }

    void StorePreset(const PresetSpeeds& speeds, bool wholeHz);
    PresetSpeeds BuildPreset(bool wholeHz) const;

    std::unique_ptr<Ui::CReciprocateDlg> ui;
    QTimer* m_watchTimer = nullptr;
    // Alive while a button's action (or the watch's reload) runs, from the
    // click until its message box is closed: the watch then waits for the
    // next tick instead of reading in between.
    std::weak_ptr<void> m_busy;
    bool m_watchReading = false;  // a read of 170 submitted and not yet back
    bool m_travelMeasurementPending = false;

    CFieldBinding m_fields;  // the stored values of both groups
};
