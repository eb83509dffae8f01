#include "PdoEditDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <optional>
#include <vector>

#include "Accessibility.h"
#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
#include "SdoMessages.h"
#include "TaskProgress.h"
#include "TextNumber.h"
#include "ui_PdoEditDlg.h"

namespace {

using QtText::Qs;
using QtText::Std;

using PdoObjects::kCobIdMask;

uint32_t Decimal(const std::string& text) { return static_cast<uint32_t>(TextNumber::ParseInt(text)); }

}  // namespace

// What a load brings back: the values in the order read, and the failures
// of the communication part and of the mapping, each reported.
struct CPdoEditDlg::Loaded {
    std::vector<ObjectValue> values;
    std::vector<SdoStep> failures;
    bool complete = false;
};

// What a configuration did: the values the PDO keeps now, and how it ended.
struct CPdoEditDlg::Configured {
    std::vector<ObjectValue> kept;
    Missing missing;
    std::optional<SdoStep> failure;
    bool ok = false;
};

CPdoEditDlg::CPdoEditDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CPdoEditDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // Take the final size now, so that the page can centre the window before showing it.
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
    m_indexEdits = {ui->mapIndexEdit1, ui->mapIndexEdit2, ui->mapIndexEdit3, ui->mapIndexEdit4,
                    ui->mapIndexEdit5, ui->mapIndexEdit6, ui->mapIndexEdit7, ui->mapIndexEdit8};
    m_subEdits = {ui->mapSubEdit1, ui->mapSubEdit2, ui->mapSubEdit3, ui->mapSubEdit4,
                  ui->mapSubEdit5, ui->mapSubEdit6, ui->mapSubEdit7, ui->mapSubEdit8};
    m_bitsEdits = {ui->mapBitsEdit1, ui->mapBitsEdit2, ui->mapBitsEdit3, ui->mapBitsEdit4,
                   ui->mapBitsEdit5, ui->mapBitsEdit6, ui->mapBitsEdit7, ui->mapBitsEdit8};
    m_checkBoxes = {ui->mapCheck1, ui->mapCheck2, ui->mapCheck3, ui->mapCheck4,
                    ui->mapCheck5, ui->mapCheck6, ui->mapCheck7, ui->mapCheck8};
    // A mapping row's edits have no label of their own (the row's check box
    // and the column headings name them on screen): say it for screen readers.
    for (size_t j = 0; j < m_indexEdits.size(); ++j) {
        const int row = static_cast<int>(j) + 1;
        m_indexEdits[j]->setAccessibleName(tr("映射对象%1 索引").arg(row));
        m_subEdits[j]->setAccessibleName(tr("映射对象%1 子索引").arg(row));
        m_bitsEdits[j]->setAccessibleName(tr("映射对象%1 位数").arg(row));
    }
    connect(ui->loadButton, &QPushButton::clicked, this, [this] { OnLoad(); });
    connect(ui->configButton, &QPushButton::clicked, this, [this] { OnConfigure(); });
}

CPdoEditDlg::~CPdoEditDlg() = default;

void CPdoEditDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPdoEditDlg::UpdateData(bool fromControls)
{
    DataExchange::Text(fromControls, ui->cobIdEdit, m_cobIdText);
    DataExchange::Text(fromControls, ui->eventTimeEdit, m_eventTimeText);
    DataExchange::Text(fromControls, ui->inhibitTimeEdit, m_inhibitTimeText);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Text(fromControls, m_indexEdits[j], m_indexTexts[j]);
    DataExchange::Text(fromControls, ui->countEdit, m_countText);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Text(fromControls, m_bitsEdits[j], m_bitsTexts[j]);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Text(fromControls, m_subEdits[j], m_subTexts[j]);
    DataExchange::Text(fromControls, ui->transTypeEdit, m_transmissionTypeText);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Check(fromControls, m_checkBoxes[j], m_checks[j]);
}

void CPdoEditDlg::SetText(QString& value, QLineEdit* edit, const QString& text)
{
    value = text;
    DataExchange::Text(false, edit, value);
}

void CPdoEditDlg::CancelTask()
{
    if (m_task) m_task->Cancel();
    m_task.reset();
    ++m_tasks;
}

void CPdoEditDlg::OpenPdo(int n)
{
    if (n < 0 || n >= PdoObjects::kPdoCount || !g_pMainDlg) return;
    CancelTask();
    ui->pdoGroup->setTitle(PdoObjects::IsTransmit(n) ? tr("TPDO%1参数设置").arg(n - 3)
                                                     : tr("RPDO%1参数设置").arg(n + 1));

    m_cobIdText.clear();
    m_eventTimeText.clear();
    m_inhibitTimeText.clear();
    m_countText.clear();
    m_transmissionTypeText.clear();
    for (size_t j = 0; j < kMapRows; ++j) {
        m_indexTexts[j].clear();
        m_subTexts[j].clear();
        m_bitsTexts[j].clear();
        m_checks[j] = 0;
    }
    m_current = n;

    const bool reload = m_reload != 0;
    if (!reload) {
        const PdoCommRecord r = Record(n);
        // A receive PDO has no inhibit or event time worth showing from the list.
        const bool transmit = PdoObjects::IsTransmit(n);
        if (transmit) {
            m_inhibitTimeText = QString::number(r.inhibitTime);
            m_eventTimeText = QString::number(r.eventTime);
        }
        ui->inhibitTimeEdit->setEnabled(transmit);
        ui->eventTimeEdit->setEnabled(transmit);
        m_cobIdText = Qs(TextNumber::Format("0x%X", r.cobId & kCobIdMask));
        m_transmissionTypeText = QString::number(r.transmissionType);
        m_countText = QString::number(r.mappedCount);
    }
    UpdateData(false);

    ui->configButton->setEnabled(false);
    ui->loadButton->setEnabled(false);
    ui->loadButton->setText(tr("载入中…"));

    auto* progress = new CTaskProgress(this, tr("正在读取PDO..."));
    m_task = g_pMainDlg->Link().RunTask(
        ui->loadButton,
        [n, reload](CModbusMaster& master, uint8_t slave, CJobControl& control) {
            Loaded loaded;
            PdoObjects::Hooks hooks;
            hooks.stopped = [&control] { return control.Cancelled(); };
            hooks.value = [&loaded](uint16_t index, uint8_t subindex, uint32_t value) {
                loaded.values.push_back({index, subindex, value});
            };
            bool halted = false;
            bool commDone = !reload;
            if (reload) {
                const PdoObjects::Outcome comm = PdoObjects::ReadCommunication(master, slave, n, hooks).outcome;
                if (comm.Failed()) loaded.failures.push_back(comm.step);
                halted = comm.stopped;
                commDone = comm.Ok();
            }
            // The mapping is read even when the communication part failed.
            bool mapDone = false;
            if (!halted) {
                const PdoObjects::Outcome map = PdoObjects::ReadMapping(master, slave, n, hooks).outcome;
                if (map.Failed()) loaded.failures.push_back(map.step);
                mapDone = map.Ok();
            }
            loaded.complete = commDone && mapDone;
            return loaded;
        },
        [this, progress, n, task = m_tasks](const Loaded& loaded) {
            progress->Finish();
            if (task == m_tasks) ShowLoaded(n, loaded);
        });
    progress->Follow(m_task);
}

void CPdoEditDlg::OnLoad()
{
    m_reload = 1;
    OpenPdo(m_current);
}

void CPdoEditDlg::ShowLoaded(int n, const Loaded& loaded)
{
    m_task.reset();
    for (const ObjectValue& v : loaded.values) ShowValue(n, v.index, v.subindex, v.value);
    for (const SdoStep& failure : loaded.failures) SdoMessages::ReportFailure(this, failure);
    m_reload = 0;
    ui->loadButton->setEnabled(true);
    ui->loadButton->setText(tr("重新载入"));
    if (loaded.complete) ui->configButton->setEnabled(true);
}

void CPdoEditDlg::ShowValue(int n, uint16_t index, uint8_t subindex, uint32_t v)
{
    if (index == PdoObjects::CommObject(n)) {
        switch (subindex) {
        case 1: SetText(m_cobIdText, ui->cobIdEdit, Qs(TextNumber::Format("0x%08X", v & kCobIdMask))); break;
        case 2: SetText(m_transmissionTypeText, ui->transTypeEdit, QString::number(static_cast<int32_t>(v))); break;
        case 3: SetText(m_inhibitTimeText, ui->inhibitTimeEdit, QString::number(static_cast<int32_t>(v))); break;
        case PdoObjects::kEventTimeSubindex:
            SetText(m_eventTimeText, ui->eventTimeEdit, QString::number(static_cast<int32_t>(v)));
            break;
        default: break;  // read, not used
        }
        return;
    }
    if (subindex == 0) {
        SetText(m_countText, ui->countEdit, QString::number(static_cast<int32_t>(v)));
        return;
    }
    const auto row = static_cast<size_t>(subindex - 1);
    SetText(m_indexTexts[row], m_indexEdits[row], Qs(TextNumber::Format("0x%04X", v >> 16)));
    SetText(m_subTexts[row], m_subEdits[row], QString::number((v >> 8) & 0xFFu));
    SetText(m_bitsTexts[row], m_bitsEdits[row], QString::number(v & 0xFFu));
}

void CPdoEditDlg::OnConfigure()
{
    if (!g_pMainDlg) return;
    CancelTask();
    UpdateData(true);
    ui->configButton->setEnabled(false);
    ui->loadButton->setEnabled(false);
    ui->configButton->setText(tr("配置中…"));

    Entries entries;
    entries.cobId = Std(m_cobIdText);
    entries.eventTime = Std(m_eventTimeText);
    entries.inhibitTime = Std(m_inhibitTimeText);
    entries.count = Std(m_countText);
    entries.transmissionType = Std(m_transmissionTypeText);
    for (size_t j = 0; j < kMapRows; ++j) {
        entries.index[j] = Std(m_indexTexts[j]);
        entries.subindex[j] = Std(m_subTexts[j]);
        entries.bits[j] = Std(m_bitsTexts[j]);
        entries.checked[j] = m_checks[j];
    }
    // A receive PDO opened from the list shows its times empty and disabled:
    // there is nothing to send, and the drive keeps its own.
    entries.times.inhibitTime = ui->inhibitTimeEdit->isEnabled() || !m_inhibitTimeText.trimmed().isEmpty();
    entries.times.eventTime = ui->eventTimeEdit->isEnabled() || !m_eventTimeText.trimmed().isEmpty();
    const int n = m_current;
    auto* progress = new CTaskProgress(this, tr("正在配置PDO..."));
    m_task = g_pMainDlg->Link().RunTask(
        ui->configButton,
        [n, entries = std::move(entries)](CModbusMaster& master, uint8_t slave, CJobControl& control) {
            Configured c;
            PdoObjects::Hooks hooks;
            hooks.stopped = [&control] { return control.Cancelled(); };
            hooks.value = [&c](uint16_t index, uint8_t subindex, uint32_t value) {
                c.kept.push_back({index, subindex, value});
            };
            const SdoStep step = SdoStep::Read(master, slave, PdoObjects::CommObject(n), 0);
            if (hooks.stopped()) return c;
            if (!step.Ok()) {
                c.failure = step;
                return c;
            }
            // A field with no number would go out as some other value: refuse
            // before anything is written, so that the PDO stays as it was.
            c.missing = FindMissing(entries, PdoObjects::EntryCount(step.Value()));
            if (c.missing.field != Missing::Field::None) return c;
            const PdoCommRecord values = CommValues(entries);
            PdoObjects::Outcome outcome =
                PdoObjects::WriteCommunication(master, slave, n, values, PdoObjects::EntryCount(step.Value()), hooks,
                                               entries.times);
            if (outcome.Ok())
                outcome = PdoObjects::WriteMapping(master, slave, n, MappingValues(entries), values.mappedCount, hooks);
            if (outcome.Failed()) c.failure = outcome.step;
            c.ok = outcome.Ok();
            return c;
        },
        [this, progress, n, task = m_tasks](const Configured& c) {
            progress->Finish();
            // What the drive took reaches the list whatever else happened meanwhile.
            for (const ObjectValue& v : c.kept)
                UpdateRecord(n, [&](PdoCommRecord& r) { PdoObjects::Keep(r, n, v.index, v.subindex, v.value); });
            if (task == m_tasks) ShowConfigured(c);
        });
    progress->Follow(m_task);
}

void CPdoEditDlg::ShowConfigured(const Configured& c)
{
    m_task.reset();
    m_reload = 0;
    ui->loadButton->setEnabled(true);
    ui->configButton->setText(tr("配置"));
    ui->configButton->setEnabled(true);
    if (c.missing.field != Missing::Field::None)
        CMessageBox::Ok(this, tr("%1为空或不是有效的数值，配置未执行").arg(MissingName(c.missing)));
    if (c.failure) SdoMessages::ReportFailure(this, *c.failure);
    if (!c.ok) return;
    CMessageBox::Ok(this, tr("配置成功"));
    emit configured();
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

CPdoEditDlg::Missing CPdoEditDlg::FindMissing(const Entries& e, int32_t commEntries)
{
    using Field = Missing::Field;
    auto has = [](const std::string& text, bool hex) {
        return hex ? TextNumber::HasHex(text) : TextNumber::HasInteger(text);
    };
    // Exactly the entries the write sends must hold numbers.
    auto writes = [&](uint8_t subindex) { return PdoObjects::WritesEntry(commEntries, subindex, e.times); };
    if (writes(1) && !has(e.cobId, true)) return {Field::CobId};
    if (writes(2) && !has(e.transmissionType, false)) return {Field::TransmissionType};
    if (writes(PdoObjects::kInhibitTimeSubindex) && !has(e.inhibitTime, false)) return {Field::InhibitTime};
    if (writes(PdoObjects::kEventTimeSubindex) && !has(e.eventTime, false)) return {Field::EventTime};
    for (size_t j = 0; j < kMapRows; ++j) {
        if (!e.checked[j]) continue;
        if (!has(e.index[j], true)) return {Field::MapIndex, j};
        if (!has(e.subindex[j], false)) return {Field::MapSub, j};
        if (!has(e.bits[j], false)) return {Field::MapBits, j};
    }
    if (!has(e.count, false)) return {Field::Count};
    return {};
}

QString CPdoEditDlg::MissingName(const Missing& missing) const
{
    const int row = static_cast<int>(missing.row) + 1;
    switch (missing.field) {
    case Missing::Field::CobId: return tr("COB-ID");
    case Missing::Field::TransmissionType: return tr("传输类型");
    case Missing::Field::InhibitTime: return tr("禁止时间");
    case Missing::Field::EventTime: return tr("事件时间");
    case Missing::Field::MapIndex: return tr("映射对象%1的索引").arg(row);
    case Missing::Field::MapSub: return tr("映射对象%1的子索引").arg(row);
    case Missing::Field::MapBits: return tr("映射对象%1的位数").arg(row);
    case Missing::Field::Count: return tr("映射数量");
    case Missing::Field::None: break;
    }
    return QString();
}

PdoCommRecord CPdoEditDlg::CommValues(const Entries& e)
{
    PdoCommRecord r;
    TextNumber::ParseHex(e.cobId, r.cobId);
    r.cobId |= PdoObjects::kNoRtrBit;
    r.transmissionType = static_cast<uint8_t>(Decimal(e.transmissionType) & 0xFFu);
    r.inhibitTime = static_cast<uint16_t>(Decimal(e.inhibitTime) & 0xFFFFu);
    r.eventTime = static_cast<uint16_t>(Decimal(e.eventTime) & 0xFFFFu);
    r.mappedCount = static_cast<uint8_t>(Decimal(e.count) & 0xFFu);
    return r;
}

PdoObjects::MappingEntries CPdoEditDlg::MappingValues(const Entries& e)
{
    PdoObjects::MappingEntries entries;
    for (size_t j = 0; j < entries.size(); ++j) {
        if (!e.checked[j]) continue;
        uint32_t index = 0;
        TextNumber::ParseHex(e.index[j], index);
        entries[j] = (index << 16) | ((Decimal(e.subindex[j]) & 0xFFu) << 8) | Decimal(e.bits[j]);
    }
    return entries;
}
