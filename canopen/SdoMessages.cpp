#include "SdoMessages.h"

#include <QCoreApplication>

#include "MessageBox.h"
#include "ModbusMaster.h"
#include "TextNumber.h"

namespace SdoMessages {

QString ResultText(ModbusResult result)
{
    return QCoreApplication::translate("CModbusMaster", CModbusMaster::ResultText(result).c_str());
}

QString AbortCodeText(uint32_t code)
{
    return QCoreApplication::translate("CModbusMaster", CModbusMaster::SdoAbortText(code).c_str());
}

void ReportSdoAbort(QWidget* owner, const SdoRecord& response)
{
    const QString text = QCoreApplication::translate("CCommParamDlg", "访问对象(索引号:0x%1,子索引:%2)传送终止：%3");
    CMessageBox::Ok(owner, text.arg(QString::fromStdString(TextNumber::Format("%04X", response.index)),
                                    QString::number(response.subindex), AbortCodeText(response.data)));
}

void ReportFailure(QWidget* owner, const SdoStep& step)
{
    if (step.result != kResultOk) CMessageBox::Ok(owner, ResultText(step.result));
    else ReportSdoAbort(owner, step.response);
}

}  // namespace SdoMessages
