#pragma once
// CObjectDictDlg: the tool window "访问对象字典". Sends one expedited SDO of
// the user's choosing through the drive's register tunnel and shows request
// and answer as CANopen SDO frames plus a decoded line. Created hidden by the
// main window; Enter, Esc and the close box hide it and keep its fields.

#include <QDialog>
#include <QString>
#include <memory>

#include "SdoStep.h"

namespace Ui {
class CObjectDictDlg;
}

class CObjectDictDlg : public QDialog {
    Q_OBJECT
public:
    explicit CObjectDictDlg(QWidget* parent = nullptr);
    ~CObjectDictDlg() override;

    // Handlers, public so that the window's behaviour can be driven directly.
    void OnCommandChanged();
    void OnDecimalLeft();   // decimal → hexadecimal
    void OnDataLeft();      // hexadecimal → decimal
    void OnSubIndexLeft();  // sub-index normalisation
    void OnIndexLeft();     // index normalisation
    void OnOperate();       // one SDO transfer

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateData(bool fromControls);
    void ShowAnswer(const QString& requestLine, const SdoStep& step, bool open);

    std::unique_ptr<Ui::CObjectDictDlg> ui;

    // Stored values, as the controls show them.
    QString m_indexText;
    int m_commandIndex = 0;
    QString m_dataText;
    QString m_decimalText;
    QString m_subIndexText;
    QString m_responseLine;
    QString m_requestLine;
    QString m_decodedText;
    // Counts the times the window was closed: an answer that comes back
    // after its window was closed shows no box.
    int m_closings = 0;
};
