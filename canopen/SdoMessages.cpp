#include "SdoMessages.h"

#include <QCoreApplication>

#include "MessageBox.h"
#include "QtText.h"
#include "TextNumber.h"

namespace SdoMessages {

void ReportSdoAbort(QWidget* owner, const SdoRecord& response)
{
    const QString text = QCoreApplication::translate("CCommParamDlg", "访问对象(索引号:0x%1,子索引:%2)传送终止：%3");
    CMessageBox::Ok(owner, text.arg(QString::fromStdString(TextNumber::Format("%04X", response.index)),
                                    QString::number(response.subindex), QtText::AbortMessage(response.data)));
}

void ReportFailure(QWidget* owner, const SdoStep& step)
{
    if (step.result != kResultOk) CMessageBox::Ok(owner, QtText::ResultMessage(step.result));
    else ReportSdoAbort(owner, step.response);
}

}  // namespace SdoMessages
