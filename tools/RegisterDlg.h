#pragma once
// CRegisterDlg: the tool window "读写寄存器". Reads or writes one holding
// register, or a register pair holding a 32-bit integer or a float, at any
// address, on the main window's link and device address. Created hidden by
// the main window; the close box, Esc and Enter only hide it.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

namespace Ui {
class CRegisterDlg;
}

class CRegisterDlg : public QDialog {
    Q_OBJECT
public:
    // Data types, as listed in both type combos.
    enum DataType { kShort = 0, kLong = 1, kFloat = 2 };

    explicit CRegisterDlg(QWidget* parent = nullptr);
    ~CRegisterDlg() override;

    // Moves the stored texts and type indices to or from the controls.
    void UpdateData(bool fromControls);

    // Handlers (each takes all controls first).
    void OnWrite();
    void OnRead();
    // The registers read (high byte first) into the read side's stored texts.
    void ShowRead(const uint16_t* words, int type);
    void OnWriteHexLeft();      // hexadecimal -> decimal, write side
    void OnWriteDecimalLeft();  // decimal -> hexadecimal, write side
    void OnWriteTypeChanged();  // decimal -> hexadecimal with the new type
    void OnWriteAddressLeft();  // "1a" -> "001A"
    void OnReadAddressLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void WriteDecimalToHex();

    std::unique_ptr<Ui::CRegisterDlg> ui;

    // Stored values of the controls.
    QString m_writeAddressText;
    int m_writeType = kShort;
    QString m_writeHexText;
    QString m_writeDecimalText;
    QString m_readAddressText;
    int m_readType = kShort;
    QString m_readHexText;
    QString m_readDecimalText;

    // The last parsed addresses and the last value read.
    uint16_t m_writeAddress = 0;
    uint16_t m_readAddress = 0;
    uint32_t m_readValue = 0;
};
