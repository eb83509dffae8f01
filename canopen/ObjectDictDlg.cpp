#include "ObjectDictDlg.h"

#include <QComboBox>
#include <QEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Accessibility.h"
#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ModbusMaster.h"
#include "QtText.h"
#include "SdoMessages.h"
#include "TextNumber.h"
#include "ui_ObjectDictDlg.h"

namespace {

using QtText::Qs;
using QtText::Std;

// The command list's SDO specifiers, in item order.
constexpr uint8_t kCommands[] = {Sdo::kUpload, Sdo::kDownload1, Sdo::kDownload2, Sdo::kDownload3, Sdo::kDownload4};

// Sign-extends the low `bits` bits of a value.
int32_t SignExtend(uint32_t value, int bits)
{
    if (bits >= 32) return static_cast<int32_t>(value);
    const uint32_t mask = (1u << bits) - 1;
    const uint32_t sign = 1u << (bits - 1);
    value &= mask;
    return static_cast<int32_t>((value ^ sign)) - static_cast<int32_t>(sign);
}

// The eight bytes of a CANopen SDO frame: command, index low/high,
// sub-index, data from the lowest byte up.
QString FrameLine(unsigned command, unsigned index, unsigned subindex, uint32_t data)
{
    return Qs(TextNumber::Format("%02X %02X %02X %02X %02X %02X %02X %02X", command, index & 0xFFu,
                                 (index >> 8) & 0xFFu, subindex, data & 0xFFu, (data >> 8) & 0xFFu,
                                 (data >> 16) & 0xFFu, (data >> 24) & 0xFFu));
}

QString Hex(uint32_t value, int digits) { return Qs(TextNumber::Format("%0*X", digits, value)); }

}  // namespace

CObjectDictDlg::CObjectDictDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CObjectDictDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    UpdateData(false);
    ui->dataEdit->setEnabled(false);
    ui->decimalEdit->setEnabled(false);

    connect(ui->commandCombo, &QComboBox::currentIndexChanged, this, [this] { OnCommandChanged(); });
    connect(ui->operateButton, &QPushButton::clicked, this, [this] { OnOperate(); });
    for (QLineEdit* edit : {ui->decimalEdit, ui->dataEdit, ui->subIndexEdit, ui->indexEdit})
        edit->installEventFilter(this);
}

CObjectDictDlg::~CObjectDictDlg() = default;

bool CObjectDictDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == ui->decimalEdit) OnDecimalLeft();
        else if (watched == ui->dataEdit) OnDataLeft();
        else if (watched == ui->subIndexEdit) OnSubIndexLeft();
        else if (watched == ui->indexEdit) OnIndexLeft();
    }
    return QDialog::eventFilter(watched, event);
}

void CObjectDictDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter hides the window like Esc; the fields keep their contents.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CObjectDictDlg::hideEvent(QHideEvent* event)
{
    // Closed by the user; not when the desktop hides it.
    if (!event->spontaneous()) ++m_closings;
    QDialog::hideEvent(event);
}

void CObjectDictDlg::UpdateData(bool fromControls)
{
    DataExchange::Text(fromControls, ui->indexEdit, m_indexText);
    DataExchange::Index(fromControls, ui->commandCombo, m_commandIndex);
    DataExchange::Text(fromControls, ui->dataEdit, m_dataText);
    DataExchange::Text(fromControls, ui->decimalEdit, m_decimalText);
    DataExchange::Text(fromControls, ui->subIndexEdit, m_subIndexText);
    DataExchange::Text(fromControls, ui->responseEdit, m_responseLine);
    DataExchange::Text(fromControls, ui->requestEdit, m_requestLine);
    if (!fromControls) ui->decodedLabel->setText(m_decodedText);
}

void CObjectDictDlg::OnCommandChanged()
{
    const bool write = ui->commandCombo->currentIndex() > 0;
    ui->dataEdit->setEnabled(write);
    ui->decimalEdit->setEnabled(write);
}

void CObjectDictDlg::OnDecimalLeft()
{
    UpdateData(true);
    const uint32_t value = static_cast<uint32_t>(TextNumber::ParseInt(Std(m_decimalText)));
    switch (m_commandIndex) {
    case 1: m_dataText = Hex(value & 0xFFu, 2); break;
    case 2: m_dataText = Hex(value & 0xFFFFu, 4); break;
    case 3: m_dataText = Hex(value & 0xFFFFFFu, 6); break;
    default: m_dataText = Hex(value, 8); break;
    }
    UpdateData(false);
}

void CObjectDictDlg::OnDataLeft()
{
    UpdateData(true);
    uint32_t value = 0;
    TextNumber::ParseHex(Std(m_dataText), value);
    int bits = 32;
    switch (m_commandIndex) {
    case 1: bits = 8; break;
    case 2: bits = 16; break;
    case 3: bits = 24; break;
    default: break;
    }
    m_decimalText = QString::number(SignExtend(value, bits));
    UpdateData(false);
}

void CObjectDictDlg::OnSubIndexLeft()
{
    UpdateData(true);
    const std::string text = Std(m_subIndexText.toLower());
    uint32_t value = 0;
    if (text.find('x') != std::string::npos) {
        TextNumber::ParseHex(text, value);
    } else {
        value = static_cast<uint32_t>(TextNumber::ParseInt(text));
    }
    m_subIndexText = QString::number(value & 0xFFu);
    UpdateData(false);
}

void CObjectDictDlg::OnIndexLeft()
{
    UpdateData(true);
    uint32_t value = 0;
    TextNumber::ParseHex(Std(m_indexText), value);
    m_indexText = Hex(value & 0xFFFFu, 4);
    UpdateData(false);
}

void CObjectDictDlg::OnOperate()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    uint32_t index = 0;
    TextNumber::ParseHex(Std(m_indexText), index);
    index &= 0xFFFFu;
    const uint32_t subindex = static_cast<uint32_t>(TextNumber::ParseInt(Std(m_subIndexText))) & 0xFFu;
    uint32_t payload = 0;
    TextNumber::ParseHex(Std(m_dataText), payload);  // all 32 bits, whatever the command's width
    const int commandIndex = (m_commandIndex >= 0 && m_commandIndex < 5) ? m_commandIndex : 0;
    const uint8_t command = kCommands[commandIndex];
    if (commandIndex == 0) payload = 0;

    const QString requestLine = FrameLine(command, index, subindex, payload);
    const int closings = m_closings;
    g_pMainDlg->Link().Act(
        ui->operateButton,
        [command, index, subindex, payload](CModbusMaster& master, uint8_t slave) {
            return SdoStep::Run(master, slave, command, static_cast<uint16_t>(index), static_cast<uint8_t>(subindex),
                                payload);
        },
        [this, requestLine, closings](const SdoStep& step) { ShowAnswer(requestLine, step, m_closings == closings); });
}

void CObjectDictDlg::ShowAnswer(const QString& requestLine, const SdoStep& step, bool open)
{
    // The fields keep what was typed while the exchange ran.
    UpdateData(true);
    m_requestLine = requestLine;
    if (step.result != kResultOk) {
        if (open) CMessageBox::Ok(this, QtText::ResultMessage(step.result));
        m_requestLine.clear();
        m_responseLine.clear();
        m_decodedText.clear();
        UpdateData(false);
        return;
    }

    const SdoRecord& r = step.response;
    m_responseLine = FrameLine(Sdo::Specifier(r), r.index, r.subindex & 0xFFu, r.data);
    const QString where = Hex(r.index, 4);
    const QString sub = QString::number(r.subindex);
    switch (Sdo::Specifier(r)) {
    case Sdo::kUploaded1:
        m_decodedText = tr("索引号:0x%1 子索引:%2 \n上传单字节数据：0x%3(%4)")
                            .arg(where, sub, Hex(r.data & 0xFFu, 2), QString::number(SignExtend(r.data, 8)));
        break;
    case Sdo::kUploaded2:
        m_decodedText = tr("索引号:0x%1 子索引:%2 \n上传双字节数据：0x%3(%4)")
                            .arg(where, sub, Hex(r.data & 0xFFFFu, 4), QString::number(SignExtend(r.data, 16)));
        break;
    case Sdo::kUploaded3:
        m_decodedText = tr("索引号:0x%1 子索引:%2 \n上传三字节数据：0x%3(%4)")
                            .arg(where, sub, Hex(r.data & 0xFFFFFFu, 6), QString::number(r.data & 0xFFFFFFu));
        break;
    case Sdo::kUploaded4:
        m_decodedText = tr("索引号:0x%1 子索引:%2 \n上传四字节数据：0x%3(%4)")
                            .arg(where, sub, Hex(r.data, 8), QString::number(static_cast<int32_t>(r.data)));
        break;
    case Sdo::kDownloaded: m_decodedText = tr("索引:0x%1 子索引:%2 写入成功").arg(where, sub); break;
    case Sdo::kAbort:
        // An abort is the drive's answer, not a failure of the link: shown here only.
        m_decodedText = tr("索引号:0x%1 子索引:%2 \n传送中断：%3").arg(where, sub, QtText::AbortMessage(r.data));
        break;
    default: break;  // an answer the tool does not know leaves the previous decoding
    }
    UpdateData(false);
}
