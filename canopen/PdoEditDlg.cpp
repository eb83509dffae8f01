#include "PdoEditDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "Accessibility.h"
#include "CommParamDlg.h"
#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
#include "SdoMessages.h"
#include "TextNumber.h"
#include "ui_PdoEditDlg.h"

namespace {

using QtText::Qs;
using QtText::Std;

using PdoObjects::kCobIdMask;

uint32_t Decimal(const QString& text) { return static_cast<uint32_t>(TextNumber::ParseInt(Std(text))); }

}  // namespace

CPdoEditDlg::CPdoEditDlg(CCommParamDlg* page, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CPdoEditDlg>()), m_page(page)
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // Take the final size now, so that the page can centre the window before showing it.
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
    m_indexEdits = {ui->editMapIndex1, ui->editMapIndex2, ui->editMapIndex3, ui->editMapIndex4,
                    ui->editMapIndex5, ui->editMapIndex6, ui->editMapIndex7, ui->editMapIndex8};
    m_subEdits = {ui->editMapSub1, ui->editMapSub2, ui->editMapSub3, ui->editMapSub4,
                  ui->editMapSub5, ui->editMapSub6, ui->editMapSub7, ui->editMapSub8};
    m_bitsEdits = {ui->editMapBits1, ui->editMapBits2, ui->editMapBits3, ui->editMapBits4,
                   ui->editMapBits5, ui->editMapBits6, ui->editMapBits7, ui->editMapBits8};
    m_checkBoxes = {ui->checkMap1, ui->checkMap2, ui->checkMap3, ui->checkMap4,
                    ui->checkMap5, ui->checkMap6, ui->checkMap7, ui->checkMap8};
    // A mapping row's edits have no label of their own (the row's check box
    // and the column headings name them on screen): say it for screen readers.
    for (size_t j = 0; j < m_indexEdits.size(); ++j) {
        const int row = static_cast<int>(j) + 1;
        m_indexEdits[j]->setAccessibleName(tr("映射对象%1 索引").arg(row));
        m_subEdits[j]->setAccessibleName(tr("映射对象%1 子索引").arg(row));
        m_bitsEdits[j]->setAccessibleName(tr("映射对象%1 位数").arg(row));
    }
    connect(ui->buttonLoad, &QPushButton::clicked, this, [this] { OnLoad(); });
    connect(ui->buttonConfig, &QPushButton::clicked, this, [this] { OnConfigure(); });
}

CPdoEditDlg::~CPdoEditDlg() { Shutdown(); }

PdoCommRecord CPdoEditDlg::Record(int n) const
{
    std::lock_guard<std::mutex> lock(m_recordsMutex);
    return m_records[static_cast<size_t>(n)];
}

void CPdoEditDlg::SetRecord(int n, const PdoCommRecord& record)
{
    std::lock_guard<std::mutex> lock(m_recordsMutex);
    m_records[static_cast<size_t>(n)] = record;
}

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
    DataExchange::Text(fromControls, ui->editCobId, m_cobIdText);
    DataExchange::Text(fromControls, ui->editEventTime, m_eventTimeText);
    DataExchange::Text(fromControls, ui->editInhibitTime, m_inhibitTimeText);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Text(fromControls, m_indexEdits[j], m_indexTexts[j]);
    DataExchange::Text(fromControls, ui->editCount, m_countText);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Text(fromControls, m_bitsEdits[j], m_bitsTexts[j]);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Text(fromControls, m_subEdits[j], m_subTexts[j]);
    DataExchange::Text(fromControls, ui->editTransType, m_transmissionTypeText);
    for (size_t j = 0; j < kMapRows; ++j) DataExchange::Check(fromControls, m_checkBoxes[j], m_checks[j]);
}

bool CPdoEditDlg::Ui(const std::function<void()>& fn) { return m_worker.Ui(fn); }

void CPdoEditDlg::SetText(QString& value, QLineEdit* edit, const QString& text)
{
    value = text;
    DataExchange::Text(false, edit, value);
}

void CPdoEditDlg::ReportFailure(const SdoStep& step)
{
    Ui([&] { SdoMessages::ReportFailure(this, step); });
}

void CPdoEditDlg::Shutdown() { m_worker.Stop(); }

void CPdoEditDlg::OpenPdo(int n)
{
    if (n < 0 || n >= PdoObjects::kPdoCount) return;
    m_worker.Stop();
    ui->groupPdo->setTitle(PdoObjects::IsTransmit(n) ? tr("TPDO%1参数设置").arg(n - 3)
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

    const bool reload = m_reload.load() != 0;
    if (!reload) {
        const PdoCommRecord r = Record(n);
        // A receive PDO has no inhibit or event time worth showing from the list.
        const bool transmit = PdoObjects::IsTransmit(n);
        if (transmit) {
            m_inhibitTimeText = QString::number(r.inhibitTime);
            m_eventTimeText = QString::number(r.eventTime);
        }
        ui->editInhibitTime->setEnabled(transmit);
        ui->editEventTime->setEnabled(transmit);
        m_cobIdText = Qs(TextNumber::Format("0x%X", r.cobId & kCobIdMask));
        m_transmissionTypeText = QString::number(r.transmissionType);
        m_countText = QString::number(r.mappedCount);
    }
    UpdateData(false);

    ui->buttonConfig->setEnabled(false);
    ui->buttonLoad->setEnabled(false);
    ui->buttonLoad->setText(tr("载入中…"));

    if (!m_worker.Start([this, n, reload] { LoadPdoWorker(n, reload); }, CPageWorker::Poll::Pause)) {
        ui->buttonLoad->setText(tr("重新载入"));
        ui->buttonLoad->setEnabled(true);
    }
}

void CPdoEditDlg::OnLoad()
{
    m_reload = 1;
    OpenPdo(m_current);
}

void CPdoEditDlg::LoadPdoWorker(int n, bool reload)
{
    CModbusMaster& master = g_pMainDlg->m_master;
    const uint8_t slave = g_pMainDlg->m_deviceAddress.load();
    PdoObjects::Hooks hooks;
    hooks.stopped = [this] { return !m_worker.Running(); };
    hooks.value = [&](uint16_t index, uint8_t subindex, uint32_t value) { ShowValue(n, index, subindex, value); };

    bool halted = false;
    bool commDone = !reload;
    if (reload) {
        const PdoObjects::Outcome comm = PdoObjects::ReadCommunication(master, slave, n, hooks).outcome;
        if (comm.Failed()) ReportFailure(comm.step);
        halted = comm.stopped;
        commDone = comm.Ok();
    }
    // The mapping is read even when the communication part failed.
    bool mapDone = false;
    if (!halted) {
        const PdoObjects::Outcome map = PdoObjects::ReadMapping(master, slave, n, hooks).outcome;
        if (map.Failed()) ReportFailure(map.step);
        halted = map.stopped;
        mapDone = map.Ok();
    }

    const bool complete = commDone && mapDone;
    m_reload = 0;
    m_worker.Finish([&] {
        ui->buttonLoad->setEnabled(true);
        ui->buttonLoad->setText(tr("重新载入"));
        if (complete) ui->buttonConfig->setEnabled(true);
    });
}

void CPdoEditDlg::ShowValue(int n, uint16_t index, uint8_t subindex, uint32_t v)
{
    if (index == PdoObjects::CommObject(n)) {
        switch (subindex) {
        case 1:
            Ui([&] { SetText(m_cobIdText, ui->editCobId, Qs(TextNumber::Format("0x%08X", v & kCobIdMask))); });
            break;
        case 2:
            Ui([&] { SetText(m_transmissionTypeText, ui->editTransType, QString::number(static_cast<int32_t>(v))); });
            break;
        case 3:
            Ui([&] { SetText(m_inhibitTimeText, ui->editInhibitTime, QString::number(static_cast<int32_t>(v))); });
            break;
        case PdoObjects::kEventTimeSubindex:
            Ui([&] { SetText(m_eventTimeText, ui->editEventTime, QString::number(static_cast<int32_t>(v))); });
            break;
        default:
            break;  // read, not used
        }
        return;
    }
    if (subindex == 0) {
        Ui([&] { SetText(m_countText, ui->editCount, QString::number(static_cast<int32_t>(v))); });
        return;
    }
    const auto row = static_cast<size_t>(subindex - 1);
    Ui([&] {
        SetText(m_indexTexts[row], m_indexEdits[row], Qs(TextNumber::Format("0x%04X", v >> 16)));
        SetText(m_subTexts[row], m_subEdits[row], QString::number((v >> 8) & 0xFFu));
        SetText(m_bitsTexts[row], m_bitsEdits[row], QString::number(v & 0xFFu));
    });
}

void CPdoEditDlg::OnConfigure()
{
    m_worker.Stop();
    UpdateData(true);
    ui->buttonConfig->setEnabled(false);
    ui->buttonLoad->setEnabled(false);
    ui->buttonConfig->setText(tr("配置中…"));

    Entries entries;
    entries.cobId = m_cobIdText;
    entries.eventTime = m_eventTimeText;
    entries.inhibitTime = m_inhibitTimeText;
    entries.count = m_countText;
    entries.transmissionType = m_transmissionTypeText;
    for (size_t j = 0; j < kMapRows; ++j) {
        entries.index[j] = m_indexTexts[j];
        entries.subindex[j] = m_subTexts[j];
        entries.bits[j] = m_bitsTexts[j];
        entries.checked[j] = m_checks[j];
    }
    // A receive PDO opened from the list shows its times empty and disabled:
    // there is nothing to send, and the drive keeps its own.
    entries.times.inhibitTime = ui->editInhibitTime->isEnabled() || !m_inhibitTimeText.trimmed().isEmpty();
    entries.times.eventTime = ui->editEventTime->isEnabled() || !m_eventTimeText.trimmed().isEmpty();
    const int n = m_current;
    if (!m_worker.Start([this, n, entries = std::move(entries)] { ConfigurePdoWorker(n, entries); },
                        CPageWorker::Poll::Pause)) {
        ui->buttonConfig->setText(tr("配置"));
        ui->buttonConfig->setEnabled(true);
        ui->buttonLoad->setEnabled(true);
    }
}

QString CPdoEditDlg::MissingField(const Entries& e, int32_t commEntries) const
{
    auto has = [](const QString& text, bool hex) {
        const std::string t = text.toStdString();
        return hex ? TextNumber::HasHex(t) : TextNumber::HasInteger(t);
    };
    // Exactly the entries the write sends must hold numbers.
    auto writes = [&](uint8_t subindex) { return PdoObjects::WritesEntry(commEntries, subindex, e.times); };
    if (writes(1) && !has(e.cobId, true)) return tr("COB-ID");
    if (writes(2) && !has(e.transmissionType, false)) return tr("传输类型");
    if (writes(PdoObjects::kInhibitTimeSubindex) && !has(e.inhibitTime, false)) return tr("禁止时间");
    if (writes(PdoObjects::kEventTimeSubindex) && !has(e.eventTime, false)) return tr("事件时间");
    for (size_t j = 0; j < kMapRows; ++j) {
        if (!e.checked[j]) continue;
        if (!has(e.index[j], true)) return tr("映射对象%1的索引").arg(j + 1);
        if (!has(e.subindex[j], false)) return tr("映射对象%1的子索引").arg(j + 1);
        if (!has(e.bits[j], false)) return tr("映射对象%1的位数").arg(j + 1);
    }
    if (!has(e.count, false)) return tr("映射数量");
    return QString();
}

PdoCommRecord CPdoEditDlg::CommValues(const Entries& e)
{
    PdoCommRecord r;
    TextNumber::ParseHex(Std(e.cobId), r.cobId);
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
        TextNumber::ParseHex(Std(e.index[j]), index);
        entries[j] = (index << 16) | ((Decimal(e.subindex[j]) & 0xFFu) << 8) | Decimal(e.bits[j]);
    }
    return entries;
}

void CPdoEditDlg::ConfigurePdoWorker(int n, Entries e)
{
    CModbusMaster& master = g_pMainDlg->m_master;
    const uint8_t slave = g_pMainDlg->m_deviceAddress.load();
    PdoObjects::Hooks hooks;
    hooks.stopped = [this] { return !m_worker.Running(); };
    hooks.value = [&](uint16_t index, uint8_t subindex, uint32_t value) {
        UpdateRecord(n, [&](PdoCommRecord& r) { PdoObjects::Keep(r, n, index, subindex, value); });
    };

    const bool configured = [&] {
        const SdoStep step = SdoStep::Read(master, slave, PdoObjects::CommObject(n), 0);
        if (hooks.stopped()) return false;
        if (!step.Ok()) {
            ReportFailure(step);
            return false;
        }
        const int32_t entries = PdoObjects::EntryCount(step.Value());
        // A field with no number would go out as some other value: refuse
        // before anything is written, so that the PDO stays as it was.
        const QString missing = MissingField(e, entries);
        if (!missing.isEmpty()) {
            Ui([&] { CMessageBox::Ok(this, tr("%1为空或不是有效的数值，配置未执行").arg(missing)); });
            return false;
        }
        const PdoCommRecord values = CommValues(e);
        PdoObjects::Outcome outcome =
            PdoObjects::WriteCommunication(master, slave, n, values, entries, hooks, e.times);
        if (outcome.Ok())
            outcome = PdoObjects::WriteMapping(master, slave, n, MappingValues(e), values.mappedCount, hooks);
        if (outcome.Failed()) ReportFailure(outcome.step);
        return outcome.Ok();
    }();

    m_reload = 0;
    m_worker.Finish([&] {
        ui->buttonLoad->setEnabled(true);
        ui->buttonConfig->setText(tr("配置"));
        ui->buttonConfig->setEnabled(true);
        if (!configured) return;
        CMessageBox::Ok(this, tr("配置成功"));
        if (m_page) m_page->OnObjectConfigured();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}
