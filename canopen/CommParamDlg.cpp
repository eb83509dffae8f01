#include "CommParamDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <optional>
#include <vector>

#include "Accessibility.h"
#include "FieldBinding.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ParameterStore.h"
#include "PdoObjects.h"
#include "QtText.h"
#include "SdoMessages.h"
#include "SyncObjects.h"
#include "TaskProgress.h"
#include "TextNumber.h"
#include "ui_CommParamDlg.h"

namespace {

using QtText::Qs;
using QtText::Std;

constexpr int kMarkRole = Qt::UserRole;
constexpr int kObjectRole = Qt::UserRole + 1;
constexpr int kColumnWidths[CCommParamDlg::ColumnCount] = {75, 95, 75, 75, 75, 75};
const char* const kPdoNames[PdoObjects::kPdoCount] = {
    QT_TRANSLATE_NOOP("CCommParamDlg", "RPDO1"), QT_TRANSLATE_NOOP("CCommParamDlg", "RPDO2"),
    QT_TRANSLATE_NOOP("CCommParamDlg", "RPDO3"), QT_TRANSLATE_NOOP("CCommParamDlg", "RPDO4"),
    QT_TRANSLATE_NOOP("CCommParamDlg", "TPDO1"), QT_TRANSLATE_NOOP("CCommParamDlg", "TPDO2"),
    QT_TRANSLATE_NOOP("CCommParamDlg", "TPDO3"), QT_TRANSLATE_NOOP("CCommParamDlg", "TPDO4")};
QString Hex8(uint32_t value) { return Qs(TextNumber::Format("0x%08X", value)); }
QString Signed(uint32_t value) { return QString::number(static_cast<int32_t>(value)); }

using FieldRules::Rule;

}  // namespace

// What the loader's task brings back, read in order: each value with its
// PDO, how far it got, its one failure, and the SYNC objects.
struct CCommParamDlg::LoadedObjects {
    struct Value {
        int n;
        uint16_t index;
        uint8_t subindex;
        uint32_t value;
    };
    std::vector<Value> values;
    int tried = 0;      // PDOs with a row: read completely or in part
    int completed = 0;  // PDOs read completely
    std::optional<SdoStep> failure;
    std::optional<SyncObjects::Reading> sync;
};

CCommParamDlg::CCommParamDlg(QWidget* parent)
    : QWidget(parent), m_pdoEditor(this), m_syncEditor(this), ui(std::make_unique<Ui::CCommParamDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // A list with no selection sends all ones: 0xFFFF, both rate registers 65535.
    m_fields = CFieldBinding({{Rule("can.auto_start"), ui->canopenAutoStartCheck},
                              {Rule("comm.port_default_485"), ui->portDefault485Check},
                              {Rule("comm.baud_rate"), ui->baud485Combo},
                              {Rule("comm.parity"), ui->parityCombo},
                              {Rule("can.baud_rate"), ui->canBaudCombo},
                              {Rule("can.mode"), ui->modeCombo},
                              {Rule("can.node_id"), ui->nodeIdEdit},
                              {Rule("comm.brake_time"), ui->brakeTimeEdit},
                              {Rule("comm.slave_address"), ui->slaveAddressEdit},
                              {Rule("can.heartbeat"), ui->heartbeatEdit},
                              {Rule("comm.lock_config"), ui->lockConfigCheck}},
                             CFieldBinding::NoItem::AllOnes);
    UpdateData(false);

    QTableWidget* list = ui->objectsTable;
    list->setColumnCount(ColumnCount);
    list->setHorizontalHeaderLabels(
        {tr("对象名称"), tr("COB-ID"), tr("传输类型"), tr("禁止时间"), tr("事件时间"), tr("映射数量")});
    // The given widths, or wider where a heading needs it (the English ones are longer).
    for (int c = 0; c < ColumnCount; ++c)
        list->setColumnWidth(c, std::max(kColumnWidths[c], list->horizontalHeader()->sectionSizeHint(c)));
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    list->verticalHeader()->setVisible(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);

    connect(ui->commReadButton, &QPushButton::clicked, this, [this] { OnRead(); });
    connect(ui->commWriteButton, &QPushButton::clicked, this, [this] { OnWrite(); });
    connect(ui->objectsLoadButton, &QPushButton::clicked, this, [this] { LoadObjects(); });
    connect(ui->objectsStoreButton, &QPushButton::clicked, this, [this] { StoreParameters(); });
    connect(list, &QTableWidget::cellDoubleClicked, this, [this] { OnListDoubleClicked(); });

    m_pdoEditor.hide();
    m_syncEditor.hide();
    connect(&m_pdoEditor, &CPdoEditDlg::configured, this, [this] { OnObjectConfigured(); });
    connect(&m_syncEditor, &CSyncEditDlg::configured, this, [this] { OnObjectConfigured(); });
}

CCommParamDlg::~CCommParamDlg() = default;

QTableWidget* CCommParamDlg::ObjectList() const { return ui->objectsTable; }

void CCommParamDlg::UpdateData(bool fromControls) { m_fields.Exchange(fromControls); }

// ---------------------------------------------------------------------------
// Communication settings

void CCommParamDlg::OnRead()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    struct Read {
        ModbusResult result = kResultOk;
        CommParams line;
        CommAddress address;
        CanParams can;
    };
    g_pMainDlg->Link().Act(
        ui->commReadButton,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadCommParams(slave, read.line);
            if (read.result == kResultOk) read.result = master.ReadCommAddress(slave, read.address);
            if (read.result == kResultOk) read.result = master.ReadCanParams(slave, read.can);
            return read;
        },
        [this](const Read& read) {
            if (read.result != kResultOk) {
                CMessageBox::Ok(this, QtText::ResultMessage(read.result));
                return;
            }
            ShowRead(read.line, read.address, read.can);
        });
}

void CCommParamDlg::ShowRead(const CommParams& line, const CommAddress& address, const CanParams& can)
{
    m_fields.Show(line);
    m_fields.Show(address);
    m_fields.Show(can);
    UpdateData(false);
    ui->commWriteButton->setEnabled(true);
}

void CCommParamDlg::OnWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);

    const auto line = m_fields.Build<CommParams>();
    const auto address = m_fields.Build<CommAddress>();
    const auto can = m_fields.Build<CanParams>();

    g_pMainDlg->Link().Act(
        ui->commWriteButton,
        [line, address, can](CModbusMaster& master, uint8_t slave) {
            ModbusResult r = master.WriteCommParams(slave, line);
            if (r == kResultOk) r = master.WriteCommAddress(slave, address);
            if (r == kResultOk) r = master.WriteCanParams(slave, can);
            return r;
        },
        [this](ModbusResult r) { CMessageBox::Ok(this, QtText::ResultMessage(r)); });
}

// ---------------------------------------------------------------------------
// Object list

void CCommParamDlg::SetCell(int row, int column, const QString& text)
{
    QTableWidgetItem* item = ui->objectsTable->item(row, column);
    if (item) item->setText(text);
}

void CCommParamDlg::InsertRow(int row, const QString& name, int object, int mark)
{
    QTableWidget* list = ui->objectsTable;
    list->insertRow(row);
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = new QTableWidgetItem(c == ColName ? name : QString());
        item->setTextAlignment(Qt::AlignCenter);
        list->setItem(row, c, item);
    }
    list->item(row, ColName)->setData(kObjectRole, object);
    list->item(row, ColName)->setData(kMarkRole, mark);
}

void CCommParamDlg::SetRowMark(int row, int mark)
{
    if (QTableWidgetItem* item = ui->objectsTable->item(row, ColName)) item->setData(kMarkRole, mark);
}

int CCommParamDlg::RowMark(int row) const
{
    const QTableWidgetItem* item = ui->objectsTable->item(row, ColName);
    return item ? item->data(kMarkRole).toInt() : 0;
}

void CCommParamDlg::LoadObjects()
{
    if (m_loading || !g_pMainDlg) return;
    m_loading = true;
    ui->objectsLoadButton->setEnabled(false);
    ui->objectsLoadButton->setText(tr("载入…"));
    ui->objectsStoreButton->setEnabled(false);
    auto* progress = new CTaskProgress(this, tr("正在载入通讯对象..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        ui->objectsLoadButton,
        [](CModbusMaster& master, uint8_t slave, CJobControl& control) {
            LoadedObjects loaded;
            PdoObjects::Hooks hooks;
            hooks.stopped = [&control] { return control.Cancelled(); };
            // A failure is reported once and ends the PDO part.
            for (int n = 0; n < PdoObjects::kPdoCount && !control.Cancelled(); ++n) {
                control.SetProgress(static_cast<uint64_t>(n), PdoObjects::kPdoCount + 1);
                loaded.tried = n + 1;
                hooks.value = [&loaded, n](uint16_t index, uint8_t subindex, uint32_t value) {
                    loaded.values.push_back({n, index, subindex, value});
                };
                const PdoObjects::Outcome read = PdoObjects::ReadCommunication(master, slave, n, hooks).outcome;
                if (read.Failed()) loaded.failure = read.step;
                if (!read.Ok()) break;
                ++loaded.completed;
            }
            if (!control.Cancelled()) loaded.sync = SyncObjects::Read(master, slave);
            return loaded;
        },
        [this, progress](const LoadedObjects& loaded) {
            progress->Finish();
            ShowObjects(loaded);
        }));
}

void CCommParamDlg::ShowObjects(const LoadedObjects& loaded)
{
    ui->objectsTable->setRowCount(0);
    for (int n = 0; n < loaded.tried; ++n) InsertRow(n, tr(kPdoNames[n]), n, 0);
    for (const LoadedObjects::Value& v : loaded.values) ListValue(v.n, v.index, v.subindex, v.value);
    // The SYNC row goes right below the PDOs read completely; its outcome is
    // not reported here (the SYNC editor shows what it has).
    if (loaded.sync) m_syncEditor.Keep(*loaded.sync);
    InsertRow(loaded.completed, tr("SYNC"), kSyncObject, 1);
    SetCell(loaded.completed, ColCobId, Hex8(m_syncEditor.m_cobId));
    SetCell(loaded.completed, ColEvent, Signed(m_syncEditor.m_cyclePeriod));

    m_loading = false;
    ui->objectsLoadButton->setEnabled(true);
    ui->objectsLoadButton->setText(tr("载入"));
    if (loaded.failure) SdoMessages::ReportFailure(this, *loaded.failure);
    if (loaded.completed == PdoObjects::kPdoCount) CMessageBox::Ok(this, tr("读取完毕"));
}

void CCommParamDlg::ListValue(int n, uint16_t index, uint8_t subindex, uint32_t v)
{
    m_pdoEditor.UpdateRecord(n, [&](PdoCommRecord& r) { PdoObjects::Keep(r, n, index, subindex, v); });
    if (index == PdoObjects::MappingObject(n)) {
        SetCell(n, ColCount, Signed(v));
        SetRowMark(n, 1);
        return;
    }
    switch (subindex) {
    case 1: SetCell(n, ColCobId, Hex8(v)); break;
    case 2: SetCell(n, ColTransmission, Signed(v)); break;
    case 3: SetCell(n, ColInhibit, Signed(v)); break;
    case PdoObjects::kEventTimeSubindex: SetCell(n, ColEvent, Signed(v)); break;
    default: break;  // the entry count and entries beyond the event time: read, not shown
    }
}

void CCommParamDlg::OnListDoubleClicked()
{
    QTableWidget* list = ui->objectsTable;
    int row = -1;
    for (const QModelIndex& index : list->selectionModel()->selectedRows()) {
        if (row < 0 || index.row() < row) row = index.row();
    }
    if (row < 0) return;
    if (m_loading || RowMark(row) != 1) return;
    const int object = list->item(row, ColName)->data(kObjectRole).toInt();
    if (object == kSyncObject) {
        m_pdoEditor.hide();
        OpenSyncEditor();
    } else if (object >= 0 && object < PdoObjects::kPdoCount) {
        m_syncEditor.hide();
        OpenPdoEditor(object);
    }
}

void CCommParamDlg::CentreOverPage(QWidget* editor)
{
    const QRect page(mapToGlobal(QPoint(0, 0)), size());
    const QRect frame = editor->frameGeometry();
    // Integer division truncates toward zero, as the page's placement wants.
    editor->move(page.left() + (page.width() - frame.width()) / 2, page.top() + (page.height() - frame.height()) / 2);
    editor->update();
}

void CCommParamDlg::OpenPdoEditor(int n)
{
    CentreOverPage(&m_pdoEditor);
    m_pdoEditor.show();
    // The window frame is known only once shown: place it again with it.
    CentreOverPage(&m_pdoEditor);
    m_pdoEditor.OpenPdo(n);
}

void CCommParamDlg::OpenSyncEditor()
{
    CentreOverPage(&m_syncEditor);
    m_syncEditor.show();
    CentreOverPage(&m_syncEditor);
    m_syncEditor.ShowSync();
}

void CCommParamDlg::StoreParameters()
{
    if (!g_pMainDlg) return;
    if (m_unsaved == 0) {
        CMessageBox::Ok(this, tr("没有要保存的参数"));
        return;
    }
    g_pMainDlg->Link().Act(
        ui->objectsStoreButton,
        [](CModbusMaster& master, uint8_t slave) { return ParameterStore::Store(master, slave); },
        [this](const SdoStep& step) {
            if (step.result != kResultOk) {
                CMessageBox::Ok(this, QtText::ResultMessage(step.result));
            } else if (step.Aborted()) {
                SdoMessages::ReportSdoAbort(this, step.response);
            } else {
                CMessageBox::Ok(this, tr("保存成功"));
                m_unsaved = 0;
                ui->objectsStoreButton->setEnabled(false);
            }
        });
}

void CCommParamDlg::RefreshObjects()
{
    QTableWidget* list = ui->objectsTable;
    for (int row = 0; row < list->rowCount(); ++row) {
        const QTableWidgetItem* nameItem = list->item(row, ColName);
        if (!nameItem) continue;
        const int object = nameItem->data(kObjectRole).toInt();
        if (object == kSyncObject) {
            SetCell(row, ColCobId, Hex8(m_syncEditor.m_cobId));
            SetCell(row, ColEvent, Signed(m_syncEditor.m_cyclePeriod));
            continue;
        }
        if (object < 0 || object >= PdoObjects::kPdoCount) continue;
        const PdoCommRecord r = m_pdoEditor.Record(object);
        // A cell the drive never filled (fewer entries) stays empty.
        auto rewrite = [&](int column, const QString& text) {
            const QTableWidgetItem* item = list->item(row, column);
            if (item && !item->text().isEmpty()) SetCell(row, column, text);
        };
        rewrite(ColCobId, Hex8(r.cobId));
        rewrite(ColTransmission, QString::number(r.transmissionType));
        rewrite(ColInhibit, QString::number(r.inhibitTime));
        rewrite(ColEvent, QString::number(r.eventTime));
        SetCell(row, ColCount, QString::number(r.mappedCount));
    }
}

void CCommParamDlg::OnObjectConfigured()
{
    m_unsaved = 1;
    RefreshObjects();
    ui->objectsStoreButton->setEnabled(true);
}
