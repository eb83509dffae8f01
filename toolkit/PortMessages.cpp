#include "PortMessages.h"

#include "PortNames.h"

namespace {

QString Qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString CPortMessages::OpenFailure(const PortOpenError& e)
{
    const QString first = tr("打开串口失败: %1").arg(Qs(e.name));
    const QString device = Qs(e.device.empty() ? e.name : e.device);
    QString why;
    switch (e.reason) {
    case PortOpenReason::None: return first;
    case PortOpenReason::NoDevice:
        if (!e.device.empty() && e.device != e.name && ComNumber(e.name) != 0) {
            why = tr("找不到设备: %1 对应 %2").arg(Qs(e.name), device);
            const std::string link = ComLinkPath(ComNumber(e.name));
            if (!link.empty() && e.device != link) why += tr("（%1 不存在）").arg(Qs(link));
        } else {
            why = tr("找不到设备: %1").arg(device);
        }
        break;
    case PortOpenReason::InUse:
        why = tr("串口已被其他程序占用");
        if (e.holderPid > 0) why += tr("（%1，进程号 %2）").arg(Qs(e.holderName)).arg(e.holderPid);
        break;
    case PortOpenReason::PermissionDenied:
        why = tr("没有权限打开 %1。\n请把当前用户加入 %2 组（sudo usermod -aG %2 $USER），然后重新登录。")
                  .arg(device, Qs(e.deviceGroup));
        break;
    case PortOpenReason::SettingsNotSupported: why = tr("串口不支持所选的通讯设置（%1）").arg(Qs(e.mode)); break;
    case PortOpenReason::NotSerial: why = tr("%1 不是串口设备").arg(device); break;
    case PortOpenReason::BadAddress:
        why = tr("网络端口名称无效: %1\n应为 tcp://主机[:端口] 或 rtu+tcp://主机:端口").arg(Qs(e.name));
        break;
    case PortOpenReason::HostNotFound: why = tr("找不到主机: %1").arg(device); break;
    case PortOpenReason::Refused: why = tr("连接被拒绝: %1").arg(device); break;
    case PortOpenReason::Unreachable: why = tr("无法到达 %1（没有路由）").arg(device); break;
    case PortOpenReason::TimedOut: why = tr("连接超时: %1").arg(device); break;
    case PortOpenReason::ConnectionLost: why = tr("连接被对方关闭: %1").arg(device); break;
    case PortOpenReason::BadOptions: why = tr("模拟驱动器的选项无效: %1").arg(device); break;
    case PortOpenReason::Other: why = tr("系统错误: %1（%2）").arg(Qs(SystemErrorText(e.error)), device); break;
    }
    return first + QLatin1Char('\n') + why;
}

QString CPortMessages::Lost(const QString& port)
{
    if (IsNetworkPort(port.toStdString()))
        return tr("网络连接已断开: %1\n对方关闭了连接。请检查网关或串口服务器后重新打开。").arg(port);
    return tr("串口已断开: %1\n设备已拔出或已关闭。接好设备后请重新打开串口。").arg(port);
}
