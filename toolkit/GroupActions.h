#pragma once
// The two actions of a parameter group on its page, on the link: "读取" reads
// the group and hands the record to the page (a failure is shown as its
// result text), "配置" writes it and always shows the result ("操作成功" on
// success). Reads show nothing on success; the page shows the values.

#include <QAbstractButton>
#include <QWidget>
#include <memory>
#include <utility>

#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"

namespace GroupActions {

template <class Record, class Show>
void Read(QWidget* page, QAbstractButton* button, ModbusResult (CModbusMaster::*read)(uint8_t, Record&), Show show)
{
    if (!g_pMainDlg) return;
    struct Result {
        ModbusResult result = kResultOk;
        Record record{};
    };
    g_pMainDlg->Link().Act(
        button,
        [read](CModbusMaster& master, uint8_t slave) {
            Result r;
            r.result = (master.*read)(slave, r.record);
            return r;
        },
        [page, show = std::move(show)](const Result& r) mutable {
            if (r.result != kResultOk) {
                CMessageBox::Ok(page, QtText::ResultMessage(r.result));
                return;
            }
            show(r.record);
        });
}

// `hold` (a page's busy mark, say) is kept until the result has been shown.
template <class Record>
void Write(QWidget* page, QAbstractButton* button, ModbusResult (CModbusMaster::*write)(uint8_t, const Record&),
           const Record& record, std::shared_ptr<void> hold = nullptr)
{
    if (!g_pMainDlg) return;
    g_pMainDlg->Link().Act(
        button, [write, record](CModbusMaster& master, uint8_t slave) { return (master.*write)(slave, record); },
        [page, hold = std::move(hold)](ModbusResult result) { CMessageBox::Ok(page, QtText::ResultMessage(result)); });
}

}  // namespace GroupActions
