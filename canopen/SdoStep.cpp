#include "SdoStep.h"

#include <QCoreApplication>

#include "DemoDlg.h"

SdoStep SdoStep::Run(uint8_t command, uint16_t index, uint8_t subindex, uint32_t data)
{
    return Run(g_pMainDlg->m_master, g_pMainDlg->m_deviceAddress.load(), command, index, subindex, data);
}

SdoStep SdoStep::Run(CModbusMaster& master, uint8_t slave, uint8_t command, uint16_t index, uint8_t subindex,
                     uint32_t data)
{
    SdoStep step;
    step.result = master.SdoTransfer(slave, command, index, subindex, data, step.response);
    return step;
}

QString SdoStep::ResultMessage(ModbusResult result)
{
    return QCoreApplication::translate("CModbusMaster", CModbusMaster::ResultText(result).c_str());
}

QString SdoStep::AbortCodeText(uint32_t code)
{
    return QCoreApplication::translate("CModbusMaster", CModbusMaster::SdoAbortText(code).c_str());
}
