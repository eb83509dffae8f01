#pragma once
// How the CANopen windows tell the user about an SDO exchange: the link's
// result in the user's words, and the drive's abort with the object it
// concerns. The boxes are owned by the window that ran the exchange.

#include <QString>
#include <cstdint>

#include "SdoStep.h"

class QWidget;

namespace SdoMessages {

// "访问对象(索引号:0x1801,子索引:6)传送终止：…" for an abort response.
void ReportSdoAbort(QWidget* owner, const SdoRecord& response);
// A failed step: the link's result, or the drive's abort.
void ReportFailure(QWidget* owner, const SdoStep& step);

}  // namespace SdoMessages
