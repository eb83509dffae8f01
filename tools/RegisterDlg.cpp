#include "RegisterDlg.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <cstring>

#include "Accessibility.h"
#include "DataExchange.h"
#include "FloatText.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
#include "TextNumber.h"
#include "ui_RegisterDlg.h"

namespace {

using TextNumber::Format;

using QtText::Qs;
using QtText::ResultMessage;

float BitsToFloat(uint32_t bits)
{
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t FloatToBits(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// 0 when nothing parses.
uint32_t HexValue(const QString& text)
{
    uint32_t value = 0;
    return TextNumber::ParseHex(text.toStdString(), value) ? value : 0;
}

// A new address from the text; the previous one stays when nothing parses.
void ParseAddress(const QString& text, uint16_t& address)
{
    uint32_t value = 0;
    if (TextNumber::ParseHex(text.toStdString(), value)) address = static_cast<uint16_t>(value & 0xFFFF);
}

}  // namespace

CRegisterDlg::CRegisterDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CRegisterDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    UpdateData(false);
    connect(ui->writeButton, &QPushButton::clicked, this, [this] { OnWrite(); });
    connect(ui->readButton, &QPushButton::clicked, this, [this] { OnRead(); });
    connect(ui->writeTypeCombo, &QComboBox::currentIndexChanged, this, [this] { OnWriteTypeChanged(); });
    for (QLineEdit* edit : {ui->writeHexEdit, ui->writeDecimalEdit, ui->writeAddressEdit, ui->readAddressEdit})
        edit->installEventFilter(this);
}

CRegisterDlg::~CRegisterDlg() = default;

void CRegisterDlg::UpdateData(bool fromControls)
{
    DataExchange::Text(fromControls, ui->writeAddressEdit, m_writeAddressText);
    DataExchange::Index(fromControls, ui->writeTypeCombo, m_writeType);
    DataExchange::Text(fromControls, ui->writeHexEdit, m_writeHexText);
    DataExchange::Text(fromControls, ui->writeDecimalEdit, m_writeDecimalText);
    DataExchange::Text(fromControls, ui->readAddressEdit, m_readAddressText);
    DataExchange::Index(fromControls, ui->readTypeCombo, m_readType);
    DataExchange::Text(fromControls, ui->readHexEdit, m_readHexText);
    DataExchange::Text(fromControls, ui->readDecimalEdit, m_readDecimalText);
}

bool CRegisterDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == ui->writeHexEdit) OnWriteHexLeft();
        else if (watched == ui->writeDecimalEdit) OnWriteDecimalLeft();
        else if (watched == ui->writeAddressEdit) OnWriteAddressLeft();
        else if (watched == ui->readAddressEdit) OnReadAddressLeft();
    }
    return QDialog::eventFilter(watched, event);
}

void CRegisterDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter ends the window as a dialog's OK does (it only hides), unless a
    // button has the focus, which it then presses.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !qobject_cast<QPushButton*>(focusWidget())) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CRegisterDlg::OnWrite()
{
    UpdateData(true);
    CMainShared* main = g_pMainDlg;
    if (!main) return;
    ParseAddress(m_writeAddressText, m_writeAddress);
    const uint32_t value = HexValue(m_writeHexText);
    const uint16_t address = m_writeAddress;
    const bool single = m_writeType == kShort;
    main->Link().Act(
        ui->writeButton,
        [address, value, single](CModbusMaster& master, uint8_t slave) {
            if (single) return master.WriteSingleRegister(slave, address, static_cast<uint16_t>(value & 0xFFFF));
            // High word in the lower register.
            const uint16_t registers[2] = {static_cast<uint16_t>(value >> 16), static_cast<uint16_t>(value & 0xFFFF)};
            return master.WriteMultipleRegisters(slave, address, registers, 2);
        },
        [this](ModbusResult result) {
            if (result != kResultOk) CMessageBox::Ok(this, ResultMessage(result));
        });
}

void CRegisterDlg::OnRead()
{
    UpdateData(true);
    CMainShared* main = g_pMainDlg;
    if (!main) return;
    ParseAddress(m_readAddressText, m_readAddress);
    const uint16_t address = m_readAddress;
    const int type = m_readType;
    const uint16_t count = type == kShort ? 1 : 2;
    struct Read {
        ModbusResult result = kResultOk;
        uint16_t words[2] = {};
    };
    main->Link().Act(
        ui->readButton,
        [address, count](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadRegisters(slave, address, count, read.words);
            return read;
        },
        [this, type](Read read) {
            if (read.result != kResultOk) {
                CMessageBox::Ok(this, ResultMessage(read.result));
                return;
            }
            UpdateData(true);  // keep what was typed meanwhile
            ShowRead(read.words, type);
            UpdateData(false);
        });
}

void CRegisterDlg::ShowRead(const uint16_t* words, int type)
{
    if (type == kShort) {
        const uint16_t word = words[0];
        m_readValue = word;
        m_readHexText = Qs(Format("%04X", static_cast<unsigned>(word)));
        m_readDecimalText = Qs(Format("%d", static_cast<int>(static_cast<int16_t>(word))));
    } else {
        m_readValue = static_cast<uint32_t>(words[0]) << 16 | words[1];  // high word first
        m_readHexText = Qs(Format("%08X", static_cast<unsigned>(m_readValue)));
        if (type == kLong) {
            m_readDecimalText = Qs(Format("%ld", static_cast<long>(static_cast<int32_t>(m_readValue))));
        } else {
            m_readDecimalText = Qs(Format("%f", static_cast<double>(BitsToFloat(m_readValue))));
        }
    }
}

void CRegisterDlg::OnWriteHexLeft()
{
    UpdateData(true);
    const uint32_t value = HexValue(m_writeHexText);
    if (m_writeType == kShort) {
        m_writeDecimalText = Qs(Format("%d", static_cast<int>(static_cast<int16_t>(value & 0xFFFF))));
    } else if (m_writeType == kLong) {
        m_writeDecimalText = Qs(Format("%d", static_cast<int>(static_cast<int32_t>(value))));
    } else {
        m_writeDecimalText = Qs(Format("%f", static_cast<double>(BitsToFloat(value))));
    }
    UpdateData(false);
}

void CRegisterDlg::WriteDecimalToHex()
{
    const std::string text = m_writeDecimalText.toStdString();
    if (m_writeType == kShort) {
        m_writeHexText = Qs(Format("%04X", static_cast<unsigned>(TextNumber::ParseU16(text))));
    } else if (m_writeType == kLong) {
        m_writeHexText = Qs(Format("%08X", static_cast<unsigned>(static_cast<uint32_t>(TextNumber::ParseInt(text)))));
    } else {
        m_writeHexText = Qs(Format("%08X", static_cast<unsigned>(FloatToBits(FloatText::Parse(text)))));
    }
}

void CRegisterDlg::OnWriteDecimalLeft()
{
    UpdateData(true);
    WriteDecimalToHex();
    UpdateData(false);
}

void CRegisterDlg::OnWriteTypeChanged()
{
    UpdateData(true);
    WriteDecimalToHex();
    UpdateData(false);
}

void CRegisterDlg::OnWriteAddressLeft()
{
    UpdateData(true);
    m_writeAddressText = Qs(Format("%04X", static_cast<unsigned>(HexValue(m_writeAddressText) & 0xFFFF)));
    UpdateData(false);
}

void CRegisterDlg::OnReadAddressLeft()
{
    UpdateData(true);
    m_readAddressText = Qs(Format("%04X", static_cast<unsigned>(HexValue(m_readAddressText) & 0xFFFF)));
    UpdateData(false);
}
