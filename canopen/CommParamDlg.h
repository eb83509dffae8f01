#pragma once
// CCommParamDlg: the tab page "通讯参数". Above, the drive's own
// communication settings (RS-485 line, Modbus address, CAN, CANopen start,
// heartbeat, brake time), read and written as three register blocks in
// order. Below, the drive's CANopen communication objects (four receive
// PDOs, four transmit PDOs, SYNC), loaded through the SDO tunnel as one task
// on the link, opened in the PDO and SYNC editors, and stored on the drive
// with "存储".

#include <QString>
#include <QWidget>
#include <memory>

#include "FieldBinding.h"
#include "PdoEditDlg.h"
#include "SyncEditDlg.h"

class QTableWidget;
struct CanParams;
struct CommAddress;
struct CommParams;
namespace Ui {
class CCommParamDlg;
}

class CCommParamDlg : public QWidget {
    Q_OBJECT
public:
    // Columns of the object list.
    enum Column { ColName = 0, ColCobId, ColTransmission, ColInhibit, ColEvent, ColCount, ColumnCount };
    // The row's object: 0..7 the PDOs in list order, this one SYNC.
    static constexpr int kSyncObject = 8;

    explicit CCommParamDlg(QWidget* parent = nullptr);
    ~CCommParamDlg() override;

    // "读取" and "配置" of the communication settings (UI thread).
    void OnRead();
    void OnWrite();

    // The object list (UI thread).
    void LoadObjects();          // "载入": the loader's task
    void StoreParameters();      // "存储"
    void OnListDoubleClicked();  // opens the editor of the selected row
    void OpenPdoEditor(int n);
    void OpenSyncEditor();
    // Rewrites the list from the values the editors keep.
    void RefreshObjects();
    // What an editor does after a successful configuration: there is
    // something to store now, and the list shows it.
    void OnObjectConfigured();

    QTableWidget* ObjectList() const;
    // The row's mark: 1 when it can be opened.
    int RowMark(int row) const;

    CPdoEditDlg m_pdoEditor;
    CSyncEditDlg m_syncEditor;
    bool m_loading = false;
    int m_unsaved = 0;

private:
    struct LoadedObjects;

    void UpdateData(bool fromControls);
    // Shows the three blocks a read brought.
    void ShowRead(const CommParams& line, const CommAddress& address, const CanParams& can);
    // What the loader brought: the rows, the editors' records, and its messages.
    void ShowObjects(const LoadedObjects& loaded);
    // One value the loader read for PDO n: into the editor's record and the list.
    void ListValue(int n, uint16_t index, uint8_t subindex, uint32_t value);
    void SetCell(int row, int column, const QString& text);
    void InsertRow(int row, const QString& name, int object, int mark);
    void SetRowMark(int row, int mark);
    void CentreOverPage(QWidget* editor);

    std::unique_ptr<Ui::CCommParamDlg> ui;

    CFieldBinding m_fields;  // the stored values of the three groups
};
