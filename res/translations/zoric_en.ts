<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>关于 ZORIC_Demo</source>
        <translation>About ZORIC_Demo</translation>
    </message>
    <message>
        <source>ZORIC_Demo 2.0 版</source>
        <translation>ZORIC_Demo version 2.0</translation>
    </message>
    <message>
        <source>许可证: GPL-3.0-or-later</source>
        <translation>License: GPL-3.0-or-later</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CBatchLoad</name>
    <message>
        <source>正在读取驱动器 %1 的参数 (%2/%3)...</source>
        <translation>Reading the parameters of drive %1 (%2/%3)...</translation>
    </message>
    <message>
        <source>载入已取消, 未写入任何参数。</source>
        <translation>Load cancelled; no parameters were written.</translation>
    </message>
    <message>
        <source>没有要写入的参数:</source>
        <translation>Nothing to write:</translation>
    </message>
    <message>
        <source>地址 %1: %2</source>
        <translation>Address %1: %2</translation>
    </message>
    <message>
        <source>文件来自另一台驱动器:</source>
        <translation>The file comes from another drive:</translation>
    </message>
    <message>
        <source>%1: 文件中为 %2, 驱动器为 %3</source>
        <translation>%1: %2 in the file, %3 in the drive</translation>
    </message>
    <message>
        <source>
地址 %1: %2</source>
        <translation>
Address %1: %2</translation>
    </message>
    <message>
        <source>
仍要载入这些驱动器吗?</source>
        <translation>
Load these drives all the same?</translation>
    </message>
    <message>
        <source>正在载入驱动器 %1 (%2/%3)...</source>
        <translation>Loading drive %1 (%2/%3)...</translation>
    </message>
    <message>
        <source>要让载入完成的驱动器保存参数吗?</source>
        <translation>Should the drives loaded store their parameters?</translation>
    </message>
    <message>
        <source>正在保存驱动器 %1 的参数...</source>
        <translation>Storing the parameters of drive %1...</translation>
    </message>
    <message>
        <source>地址 %1: 保存失败: %2</source>
        <translation>Address %1: storing failed: %2</translation>
    </message>
    <message>
        <source>地址 %1: 保存成功</source>
        <translation>Address %1: parameters stored</translation>
    </message>
    <message>
        <source>已取消, 其余驱动器未保存。</source>
        <translation>Cancelled: the other drives did not store their parameters.</translation>
    </message>
</context>
<context>
    <name>CBusMonitorDlg</name>
    <message>
        <source>总线监视</source>
        <translation>Bus Monitor</translation>
    </message>
    <message>
        <source>从站:</source>
        <translation>Slave:</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>功能码:</source>
        <translation>Function code:</translation>
    </message>
    <message>
        <source>0x03 读寄存器</source>
        <translation>0x03 Read Holding Registers</translation>
    </message>
    <message>
        <source>0x06 写单个寄存器</source>
        <translation>0x06 Write Single Register</translation>
    </message>
    <message>
        <source>0x10 写多个寄存器</source>
        <translation>0x10 Write Multiple Registers</translation>
    </message>
    <message>
        <source>0x2B 设备标识</source>
        <translation>0x2B Device Identification</translation>
    </message>
    <message>
        <source>仅显示失败</source>
        <translation>Failures only</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>导出文本</source>
        <translation>Export Text</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>相对(ms)</source>
        <translation>Relative (ms)</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>从站</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>功能码</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>摘要</source>
        <translation>Summary</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>往返(ms)</source>
        <translation>Round trip (ms)</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Response</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Exception</translation>
    </message>
    <message>
        <source>错误从站</source>
        <translation>Wrong slave</translation>
    </message>
    <message>
        <source>迟到应答</source>
        <translation>Late response</translation>
    </message>
    <message>
        <source>已丢弃最早的 %1 帧</source>
        <translation>Oldest %1 frames discarded</translation>
    </message>
    <message>
        <source>导出帧</source>
        <translation>Export Frames</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>保存文件失败: %1</source>
        <translation>Could not save the file: %1</translation>
    </message>
    <message>
        <source>只监听(不发送)</source>
        <translation>Listen only (send nothing)</translation>
    </message>
    <message>
        <source>用主窗口选择的串口和波特率只接收线路上的帧，本工具不发送任何帧，用于查看其他主站与从站之间的通讯</source>
        <translation>Receive the frames on the line with the port and baud rate chosen in the main window, without sending any, to watch another master talking to its slaves</translation>
    </message>
    <message>
        <source>串口已断开，监听停止</source>
        <translation>Serial port lost; listening stopped.</translation>
    </message>
    <message>
        <source>请先在主窗口关闭串口：只监听时由本窗口打开串口，不发送任何帧</source>
        <translation>Close the serial port in the main window first: when listening only, this window opens the port and sends nothing.</translation>
    </message>
    <message>
        <source>正在监听 %1</source>
        <translation>Listening on %1</translation>
    </message>
    <message>
        <source>线路错误: 帧格式 %1, 奇偶校验 %2, 溢出 %3, 中断 %4</source>
        <translation>Line errors: framing %1, parity %2, overrun %3, break %4</translation>
    </message>
</context>
<context>
    <name>CBusOverviewDlg</name>
    <message>
        <source>总线总览</source>
        <translation>Bus Overview</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>添加扫描到的驱动器</source>
        <translation>Add Scanned Drives</translation>
    </message>
    <message>
        <source>把“扫描设备”窗口找到的驱动器加入列表</source>
        <translation>Adds the drives the Scan for Drives window found</translation>
    </message>
    <message>
        <source>移除所选</source>
        <translation>Remove Selected</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>轮询周期(ms):</source>
        <translation>Poll period (ms):</translation>
    </message>
    <message>
        <source>所有驱动器轮询一遍的时间, 不短于按当前波特率读完一轮所需的时间</source>
        <translation>The time of one round over all drives; no shorter than one round takes at the current baud rate</translation>
    </message>
    <message>
        <source>开始轮询</source>
        <translation>Start Polling</translation>
    </message>
    <message>
        <source>双击一行, 主窗口即以该驱动器的地址通讯</source>
        <translation>Double-click a row: the main window talks to that drive&apos;s address</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>标识</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>电源电压</source>
        <translation>Supply Voltage</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>最后应答</source>
        <translation>Last Answer</translation>
    </message>
    <message>
        <source>停止轮询</source>
        <translation>Stop Polling</translation>
    </message>
    <message>
        <source>一轮至少 %1 ms</source>
        <translation>A round takes at least %1 ms</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>Port not open</translation>
    </message>
    <message>
        <source>导出总线总览</source>
        <translation>Export Bus Overview</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>保存文件失败: %1</source>
        <translation>Could not save the file: %1</translation>
    </message>
    <message>
        <source>备份所选驱动器…</source>
        <translation>Back Up Selected Drives…</translation>
    </message>
    <message>
        <source>每个所选驱动器的配置存为一个文件, 以地址和标识命名</source>
        <translation>Saves each selected drive&apos;s configuration to a file of its own, named by address and identifier</translation>
    </message>
    <message>
        <source>请先选择主窗口通讯设置下的驱动器。</source>
        <translation>Select drives at the main window&apos;s line settings first.</translation>
    </message>
    <message>
        <source>备份所选驱动器</source>
        <translation>Back Up Selected Drives</translation>
    </message>
    <message>
        <source>正在备份驱动器...</source>
        <translation>Backing up the drives...</translation>
    </message>
    <message>
        <source>已取消, 其余驱动器未备份。</source>
        <translation>Cancelled: the other drives were not backed up.</translation>
    </message>
    <message>
        <source>地址 %1: 失败, %2</source>
        <translation>Address %1: failed, %2</translation>
    </message>
    <message>
        <source>地址 %1: 无法写入文件 %2</source>
        <translation>Address %1: cannot write the file %2</translation>
    </message>
    <message>
        <source>地址 %1: 已保存到 %2</source>
        <translation>Address %1: saved to %2</translation>
    </message>
    <message>
        <source>载入配置到所选驱动器…</source>
        <translation>Load Configuration into Selected Drives…</translation>
    </message>
    <message>
        <source>把一个配置文件载入每个所选驱动器, 不含通讯设置</source>
        <translation>Loads one configuration file into every selected drive, without the communication settings</translation>
    </message>
    <message>
        <source>载入配置到所选驱动器</source>
        <translation>Load Configuration into Selected Drives</translation>
    </message>
</context>
<context>
    <name>CCommParamDlg</name>
    <message>
        <source>通讯参数配置</source>
        <translation>Communication Settings</translation>
    </message>
    <message>
        <source>485波特率:</source>
        <translation>RS-485 baud rate:</translation>
    </message>
    <message>
        <source>9600 </source>
        <translation>9600 </translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <source>57600</source>
        <translation>57600</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>校验方式:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>无校验+2停止位</source>
        <translation>No parity, 2 stop bits</translation>
    </message>
    <message>
        <source>奇校验+1停止位</source>
        <translation>Odd parity, 1 stop bit</translation>
    </message>
    <message>
        <source>偶校验+1停止位</source>
        <translation>Even parity, 1 stop bit</translation>
    </message>
    <message>
        <source>无校验+1停止位</source>
        <translation>No parity, 1 stop bit</translation>
    </message>
    <message>
        <source>从站地址:</source>
        <translation>Slave address:</translation>
    </message>
    <message>
        <source>CAN波特率:</source>
        <translation>CAN bit rate:</translation>
    </message>
    <message>
        <source>10kbps</source>
        <translation>10kbps</translation>
    </message>
    <message>
        <source>20kbps</source>
        <translation>20kbps</translation>
    </message>
    <message>
        <source>50kbps</source>
        <translation>50kbps</translation>
    </message>
    <message>
        <source>125kbps</source>
        <translation>125kbps</translation>
    </message>
    <message>
        <source>250kbps</source>
        <translation>250kbps</translation>
    </message>
    <message>
        <source>500kbps</source>
        <translation>500kbps</translation>
    </message>
    <message>
        <source>800kbps</source>
        <translation>800kbps</translation>
    </message>
    <message>
        <source>1Mbps</source>
        <translation>1Mbps</translation>
    </message>
    <message>
        <source>通讯模式:</source>
        <translation>Comm. mode:</translation>
    </message>
    <message>
        <source>485/CAN</source>
        <translation>485/CAN</translation>
    </message>
    <message>
        <source>CANOpen</source>
        <translation>CANOpen</translation>
    </message>
    <message>
        <source>节点ID:</source>
        <translation>Node ID:</translation>
    </message>
    <message>
        <source>通讯控制时禁止参数配置</source>
        <translation>Lock parameter settings under bus control</translation>
    </message>
    <message>
        <source>端口控制时485使用默认通讯参数</source>
        <translation>Default RS-485 settings under I/O control</translation>
    </message>
    <message>
        <source>CANOpen自启动</source>
        <translation>CANopen auto-start</translation>
    </message>
    <message>
        <source>心跳周期:</source>
        <translation>Heartbeat period:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>通讯中断制动时间:</source>
        <translation>Comm-loss braking time:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>通讯对象配置</source>
        <translation>Communication Objects</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>存储</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>RPDO1</source>
        <translation>RPDO1</translation>
    </message>
    <message>
        <source>RPDO2</source>
        <translation>RPDO2</translation>
    </message>
    <message>
        <source>RPDO3</source>
        <translation>RPDO3</translation>
    </message>
    <message>
        <source>RPDO4</source>
        <translation>RPDO4</translation>
    </message>
    <message>
        <source>TPDO1</source>
        <translation>TPDO1</translation>
    </message>
    <message>
        <source>TPDO2</source>
        <translation>TPDO2</translation>
    </message>
    <message>
        <source>TPDO3</source>
        <translation>TPDO3</translation>
    </message>
    <message>
        <source>TPDO4</source>
        <translation>TPDO4</translation>
    </message>
    <message>
        <source>对象名称</source>
        <translation>Object</translation>
    </message>
    <message>
        <source>COB-ID</source>
        <translation>COB-ID</translation>
    </message>
    <message>
        <source>传输类型</source>
        <translation>Transmission type</translation>
    </message>
    <message>
        <source>禁止时间</source>
        <translation>Inhibit time</translation>
    </message>
    <message>
        <source>事件时间</source>
        <translation>Event timer</translation>
    </message>
    <message>
        <source>映射数量</source>
        <translation>Mapped objects</translation>
    </message>
    <message>
        <source>载入…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>SYNC</source>
        <translation>SYNC</translation>
    </message>
    <message>
        <source>读取完毕</source>
        <translation>All objects read.</translation>
    </message>
    <message>
        <source>没有要保存的参数</source>
        <translation>No parameters to store.</translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation>Parameters stored.</translation>
    </message>
    <message>
        <source>访问对象(索引号:0x%1,子索引:%2)传送终止：%3</source>
        <translation>Transfer of object 0x%1, subindex %2 aborted: %3</translation>
    </message>
    <message>
        <source>正在载入通讯对象...</source>
        <translation>Loading the communication objects...</translation>
    </message>
</context>
<context>
    <name>CConfigDiffDlg</name>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>驱动器中的值</source>
        <translation>Value in drive</translation>
    </message>
    <message>
        <source>文件中的值</source>
        <translation>Value in file</translation>
    </message>
    <message>
        <source>以下差异按所选项保留, 不会写入:</source>
        <translation>These differences are kept as selected and will not be written:</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>载入配置</source>
        <translation>Load Configuration</translation>
    </message>
    <message>
        <source>将写入%1项参数, 确定要载入吗?</source>
        <translation>%1 parameters will be written. Load them now?</translation>
    </message>
    <message>
        <source>比较配置</source>
        <translation>Compare Configuration</translation>
    </message>
    <message>
        <source>驱动器与文件有%1项参数不同:</source>
        <translation>%1 parameters differ between the drive and the file:</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>载入配置到所选驱动器</source>
        <translation>Load Configuration into Selected Drives</translation>
    </message>
    <message>
        <source>地址 %1: %2</source>
        <translation>Address %1: %2</translation>
    </message>
    <message>
        <source>将向%1台驱动器写入%2项参数, 确定要载入吗?</source>
        <translation>%2 settings will be written to %1 drives. Load them?</translation>
    </message>
    <message>
        <source>
以下驱动器不载入:
</source>
        <translation>
These drives are not loaded:
</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>键</source>
        <translation>Key</translation>
    </message>
</context>
<context>
    <name>CConfigFlow</name>
    <message>
        <source>配置文件 (*.json)</source>
        <translation>Configuration files (*.json)</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>Serial port not open</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>Export Configuration</translation>
    </message>
    <message>
        <source>正在读取驱动器参数...</source>
        <translation>Reading the drive parameters...</translation>
    </message>
    <message>
        <source>导出已取消, 未保存文件。</source>
        <translation>Export cancelled; no file was saved.</translation>
    </message>
    <message>
        <source>导出失败: %1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>导出失败: 无法写入文件 %1</source>
        <translation>Export failed: cannot write the file %1</translation>
    </message>
    <message>
        <source>导出成功</source>
        <translation>Configuration exported.</translation>
    </message>
    <message>
        <source>载入配置</source>
        <translation>Load Configuration</translation>
    </message>
    <message>
        <source>比较配置</source>
        <translation>Compare Configuration</translation>
    </message>
    <message>
        <source>比较失败: %1</source>
        <translation>Compare failed: %1</translation>
    </message>
    <message>
        <source>驱动器中的参数与文件相同。</source>
        <translation>The drive parameters match the file.</translation>
    </message>
    <message>
        <source>离线编辑的配置尚未保存, 放弃修改吗?</source>
        <translation>The configuration edited offline is not saved. Discard the changes?</translation>
    </message>
    <message>
        <source>离线编辑配置</source>
        <translation>Edit Configuration Offline</translation>
    </message>
    <message>
        <source>无法离线编辑 %1: %2</source>
        <translation>Cannot edit %1 offline: %2</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>保存失败: %1</source>
        <translation>Saving failed: %1</translation>
    </message>
    <message>
        <source>保存失败: 无法写入文件 %1</source>
        <translation>Saving failed: cannot write the file %1</translation>
    </message>
</context>
<context>
    <name>CConfigLoad</name>
    <message>
        <source>正在读取驱动器参数...</source>
        <translation>Reading the drive parameters...</translation>
    </message>
    <message>
        <source>载入已取消, 未写入任何参数。</source>
        <translation>Load cancelled; no parameters were written.</translation>
    </message>
    <message>
        <source>载入失败: %1</source>
        <translation>Load failed: %1</translation>
    </message>
    <message>
        <source>驱动器中的参数与文件相同, 无需载入。</source>
        <translation>The drive parameters already match the file; nothing to load.</translation>
    </message>
    <message>
        <source>没有要写入的参数(%1项差异按所选项保留)。</source>
        <translation>No parameters to write (%1 differences kept as selected).</translation>
    </message>
    <message>
        <source>文件来自另一台驱动器:</source>
        <translation>The file comes from another drive:</translation>
    </message>
    <message>
        <source>
%1: 文件中为 %2, 驱动器为 %3</source>
        <translation>
%1: %2 in the file, %3 in the drive</translation>
    </message>
    <message>
        <source>
仍要载入吗?</source>
        <translation>
Load it anyway?</translation>
    </message>
    <message>
        <source>正在载入配置...</source>
        <translation>Loading the configuration...</translation>
    </message>
    <message>
        <source>载入完成。要让驱动器保存参数吗?</source>
        <translation>Load complete. Store the parameters in the drive?</translation>
    </message>
    <message>
        <source>保存失败: %1</source>
        <translation>Store failed: %1</translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation>Parameters stored.</translation>
    </message>
</context>
<context>
    <name>CDemoApp</name>
    <message>
        <source>启动时打开的端口，例如 COM3 或 sim://（不作为上次的端口保存）</source>
        <translation>The port to open at start, such as COM3 or sim:// (not kept as the last port)</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>PORT</translation>
    </message>
</context>
<context>
    <name>CDemoDlg</name>
    <message>
        <source>ZORIC_Demo</source>
        <translation>ZORIC_Demo</translation>
    </message>
    <message>
        <source>通讯设置</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>串口号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>14400</source>
        <translation>14400</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <source>57600</source>
        <translation>57600</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>校验:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>无+2停止位</source>
        <translation>None, 2 stop</translation>
    </message>
    <message>
        <source>奇+1停止位</source>
        <translation>Odd, 1 stop</translation>
    </message>
    <message>
        <source>偶+1停止位</source>
        <translation>Even, 1 stop</translation>
    </message>
    <message>
        <source>无+1停止位</source>
        <translation>None, 1 stop</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open Port</translation>
    </message>
    <message>
        <source>设备地址:</source>
        <translation>Slave address:</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>十六进制:</source>
        <translation>Hex:</translation>
    </message>
    <message>
        <source>0x01</source>
        <translation>0x01</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device Information</translation>
    </message>
    <message>
        <source>设备标识:</source>
        <translation>Device ID:</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>版本号:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>设备型号:</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>PWM分辨率:</source>
        <translation>PWM resolution:</translation>
    </message>
    <message>
        <source>PWM频率:</source>
        <translation>PWM frequency:</translation>
    </message>
    <message>
        <source>最大电流:</source>
        <translation>Max. current:</translation>
    </message>
    <message>
        <source>电流分辨率:</source>
        <translation>Current resolution:</translation>
    </message>
    <message>
        <source>读取信息</source>
        <translation>Read Info</translation>
    </message>
    <message>
        <source>OEM信息</source>
        <translation>OEM Info</translation>
    </message>
    <message>
        <source>实时状态</source>
        <translation>Live Status</translation>
    </message>
    <message>
        <source>输出PWM:</source>
        <translation>Output PWM:</translation>
    </message>
    <message>
        <source>相电流:</source>
        <translation>Phase current:</translation>
    </message>
    <message>
        <source>转动位置:</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>换向频率:</source>
        <translation>Commutation freq.:</translation>
    </message>
    <message>
        <source>IN1电压:</source>
        <translation>IN1 voltage:</translation>
    </message>
    <message>
        <source>IN2电压:</source>
        <translation>IN2 voltage:</translation>
    </message>
    <message>
        <source>IN3电压:</source>
        <translation>IN3 voltage:</translation>
    </message>
    <message>
        <source>差分电压:</source>
        <translation>Diff. voltage:</translation>
    </message>
    <message>
        <source>SQ1电平:</source>
        <translation>SQ1 level:</translation>
    </message>
    <message>
        <source>SQ2电平:</source>
        <translation>SQ2 level:</translation>
    </message>
    <message>
        <source>输入PWM:</source>
        <translation>Input PWM:</translation>
    </message>
    <message>
        <source>输入频率:</source>
        <translation>Input frequency:</translation>
    </message>
    <message>
        <source>输入脉冲:</source>
        <translation>Input pulses:</translation>
    </message>
    <message>
        <source>完成时间:</source>
        <translation>Completion time:</translation>
    </message>
    <message>
        <source>电机转速:</source>
        <translation>Motor speed:</translation>
    </message>
    <message>
        <source>错误状态:</source>
        <translation>Fault status:</translation>
    </message>
    <message>
        <source>输入电压:</source>
        <translation>Supply voltage:</translation>
    </message>
    <message>
        <source>内部温度:</source>
        <translation>Internal temp.:</translation>
    </message>
    <message>
        <source>自动更新</source>
        <translation>Auto update</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>通讯数据</source>
        <translation>Frames</translation>
    </message>
    <message>
        <source>发送:</source>
        <translation>Sent:</translation>
    </message>
    <message>
        <source>接收:</source>
        <translation>Received:</translation>
    </message>
    <message>
        <source>电机控制</source>
        <translation>Motor Control</translation>
    </message>
    <message>
        <source>电机参数</source>
        <translation>Motor Parameters</translation>
    </message>
    <message>
        <source>通讯参数</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>往复运动</source>
        <translation>Reciprocating</translation>
    </message>
    <message>
        <source>安全保护</source>
        <translation>Protection</translation>
    </message>
    <message>
        <source>ZORIC_Modbus示例程序</source>
        <translation>ZORIC Modbus Demo</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>载入配置(&amp;L)</source>
        <translation>&amp;Load Configuration...</translation>
    </message>
    <message>
        <source>导出配置(&amp;E)</source>
        <translation>&amp;Export Configuration...</translation>
    </message>
    <message>
        <source>比较配置(&amp;C)</source>
        <translation>&amp;Compare Configuration...</translation>
    </message>
    <message>
        <source>退出(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>工具(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>读写寄存器(&amp;R)</source>
        <translation>&amp;Registers</translation>
    </message>
    <message>
        <source>访问对象字典(&amp;V)</source>
        <translation>Object &amp;Dictionary</translation>
    </message>
    <message>
        <source>实时曲线(&amp;P)</source>
        <translation>Live &amp;Plot</translation>
    </message>
    <message>
        <source>扫描设备(&amp;S)</source>
        <translation>&amp;Scan for Drives</translation>
    </message>
    <message>
        <source>总线监视(&amp;M)</source>
        <translation>Bus &amp;Monitor</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close Port</translation>
    </message>
    <message>
        <source>真的要清零吗?</source>
        <translation>Really reset the position to zero?</translation>
    </message>
    <message>
        <source>询问</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>设备地址(十六进制)</source>
        <translation>Slave address (hex)</translation>
    </message>
    <message>
        <source>语言(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>界面语言将在下次启动程序时切换。</source>
        <translation>The new language takes effect the next time the program starts.</translation>
    </message>
    <message>
        <source>设备地址位%1</source>
        <translation>Slave address bit %1</translation>
    </message>
    <message>
        <source>系统参数</source>
        <comment>tab</comment>
        <translation>System</translation>
    </message>
    <message>
        <source>PID和FOC参数</source>
        <comment>tab</comment>
        <translation>PID/FOC</translation>
    </message>
    <message>
        <source>串口名称，或网络端口: tcp://主机[:端口]（Modbus TCP），rtu+tcp://主机:端口（RTU over TCP）</source>
        <translation>A serial port name, or a network port: tcp://host[:port] (Modbus TCP), rtu+tcp://host:port (RTU over TCP)</translation>
    </message>
    <message>
        <source>模拟驱动器 (sim://)</source>
        <translation>Simulated drive (sim://)</translation>
    </message>
    <message>
        <source>总线总览(&amp;B)</source>
        <translation>Bus &amp;Overview</translation>
    </message>
    <message>
        <source>离线编辑配置(&amp;O)…</source>
        <translation>Edit C&amp;onfiguration Offline…</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>另存为(&amp;A)…</source>
        <translation>Save &amp;As…</translation>
    </message>
    <message>
        <source>离线编辑的配置尚未保存, 放弃修改吗?</source>
        <translation>The configuration edited offline is not saved. Discard the changes?</translation>
    </message>
    <message>
        <source>%1 — 离线: %2</source>
        <translation>%1 — offline: %2</translation>
    </message>
    <message>
        <source>离线编辑: 各项检查由本工具完成, 不是驱动器固件的检查。</source>
        <translation>Editing offline: the checks are this tool&apos;s, not the drive firmware&apos;s.</translation>
    </message>
    <message>
        <source>离线编辑的配置 %1 已修改, 关闭前保存吗?</source>
        <translation>%1, edited offline, has changed. Save it before closing?</translation>
    </message>
</context>
<context>
    <name>CDriveScanDlg</name>
    <message>
        <source>扫描设备</source>
        <translation>Scan for Drives</translation>
    </message>
    <message>
        <source>扫描范围</source>
        <translation>Scan Range</translation>
    </message>
    <message>
        <source>起始地址:</source>
        <translation>First address:</translation>
    </message>
    <message>
        <source>结束地址:</source>
        <translation>Last address:</translation>
    </message>
    <message>
        <source>超时(ms):</source>
        <translation>Timeout (ms):</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <source>57600</source>
        <translation>57600</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>校验:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>无+2停止位</source>
        <translation>None, 2 stop</translation>
    </message>
    <message>
        <source>奇+1停止位</source>
        <translation>Odd, 1 stop</translation>
    </message>
    <message>
        <source>偶+1停止位</source>
        <translation>Even, 1 stop</translation>
    </message>
    <message>
        <source>无+1停止位</source>
        <translation>None, 1 stop</translation>
    </message>
    <message>
        <source>开始扫描</source>
        <translation>Start Scan</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>设备型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>设备标识</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>使用所选设备</source>
        <translation>Use Selected Drive</translation>
    </message>
    <message>
        <source>请先打开串口</source>
        <translation>Open the serial port first.</translation>
    </message>
    <message>
        <source>起始地址不能大于结束地址</source>
        <translation>The first address cannot be greater than the last address.</translation>
    </message>
    <message>
        <source>请至少选择一个波特率和一种校验</source>
        <translation>Select at least one baud rate and one parity.</translation>
    </message>
    <message>
        <source>正在扫描...</source>
        <translation>Scanning...</translation>
    </message>
    <message>
        <source>扫描已取消，找到 %1 台设备</source>
        <translation>Scan cancelled; %1 drive(s) found.</translation>
    </message>
    <message>
        <source>扫描完成，找到 %1 台设备</source>
        <translation>Scan complete; %1 drive(s) found.</translation>
    </message>
    <message>
        <source>无法以所选设置打开串口</source>
        <translation>Cannot open the serial port with the selected settings.</translation>
    </message>
</context>
<context>
    <name>CFieldBinding</name>
    <message>
        <source>寄存器 %1 位 %2</source>
        <translation>Register %1 bit %2</translation>
    </message>
    <message>
        <source>寄存器 %1 至 %2</source>
        <translation>Registers %1 to %2</translation>
    </message>
    <message>
        <source>寄存器 %1</source>
        <translation>Register %1</translation>
    </message>
    <message>
        <source>单位 %1</source>
        <translation>unit %1</translation>
    </message>
    <message>
        <source>单位和小数位数随速度模式</source>
        <translation>unit and decimals follow the speed mode</translation>
    </message>
    <message>
        <source>小数 %1 位（速度量程×10 时 %2 位）</source>
        <translation>decimals %1 (%2 with the x10 speed range)</translation>
    </message>
    <message>
        <source>小数 %1 位</source>
        <translation>decimals %1</translation>
    </message>
    <message>
        <source>配置键 %1</source>
        <translation>configuration key %1</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>CLivePlotDlg</name>
    <message>
        <source>实时曲线</source>
        <translation>Live Plot</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>右轴</source>
        <translation>Right axis</translation>
    </message>
    <message>
        <source>采样周期:</source>
        <translation>Sample period:</translation>
    </message>
    <message>
        <source>100 ms</source>
        <translation>100 ms</translation>
    </message>
    <message>
        <source>50 ms</source>
        <translation>50 ms</translation>
    </message>
    <message>
        <source>20 ms</source>
        <translation>20 ms</translation>
    </message>
    <message>
        <source>10 ms</source>
        <translation>10 ms</translation>
    </message>
    <message>
        <source>尽可能快</source>
        <translation>As fast as possible</translation>
    </message>
    <message>
        <source>时间窗口:</source>
        <translation>Time window:</translation>
    </message>
    <message>
        <source>10 秒</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30 秒</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>1 分钟</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>2 分钟</source>
        <translation>2 min</translation>
    </message>
    <message>
        <source>5 分钟</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10 分钟</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>自动缩放</source>
        <translation>Auto scale</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export Image</translation>
    </message>
    <message>
        <source>导出数据</source>
        <translation>Export Data</translation>
    </message>
    <message>
        <source>开始记录</source>
        <translation>Start Recording</translation>
    </message>
    <message>
        <source>时间 (秒)</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source> [右]</source>
        <translation> [right]</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>写入文件失败: %1</source>
        <translation>Could not write the file: %1</translation>
    </message>
    <message>
        <source>采样速率: %1 次/秒</source>
        <translation>Sample rate: %1/s</translation>
    </message>
    <message>
        <source>时间: %1 秒</source>
        <translation>Time: %1 s</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>保存文件失败: %1</source>
        <translation>Could not save the file: %1</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop Recording</translation>
    </message>
    <message>
        <source>未记录</source>
        <translation>Not recording</translation>
    </message>
    <message>
        <source>已记录 %1 行
用时 %2</source>
        <translation>%1 rows recorded
in %2</translation>
    </message>
</context>
<context>
    <name>CLoadOptionsDlg</name>
    <message>
        <source>载入配置</source>
        <translation>Load Configuration</translation>
    </message>
    <message>
        <source>载入的参数</source>
        <translation>Parameters to Load</translation>
    </message>
    <message>
        <source>载入电机识别参数(相序、学习状态、霍尔相位偏移和超前)</source>
        <translation>Load the motor identification (phase sequence, learning state, Hall phase offset and advance)</translation>
    </message>
    <message>
        <source>载入通讯设置(485地址、波特率、校验方式、CAN节点ID和波特率)</source>
        <translation>Load the link settings (RS-485 address, baud rate, parity, CAN node ID and bit rate)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>文件: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>载入通讯设置会改变驱动器的通讯连接, 载入后将按新的设置重新打开串口。</source>
        <translation>Loading the link settings changes the drive connection; the serial port is then reopened with the new settings.</translation>
    </message>
    <message>
        <source>遇到第一个失败的驱动器即停止</source>
        <translation>Stop at the first drive that fails</translation>
    </message>
</context>
<context>
    <name>CLoadReportDlg</name>
    <message>
        <source>载入结果</source>
        <translation>Load Result</translation>
    </message>
    <message>
        <source>参数组</source>
        <translation>Parameter group</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>载入完成, 所选参数已写入并校验。</source>
        <translation>Load complete; the selected parameters were written and verified.</translation>
    </message>
    <message>
        <source>载入已取消, 之后的参数未写入。</source>
        <translation>Load cancelled; the remaining parameters were not written.</translation>
    </message>
    <message>
        <source>载入未完成, 请查看失败的参数组。</source>
        <translation>Load not complete; see the groups that failed.</translation>
    </message>
    <message>
        <source>
串口已按新的通讯设置重新打开。</source>
        <translation>
The serial port was reopened with the new settings.</translation>
    </message>
    <message>
        <source>部分驱动器载入失败, 请查看下表。</source>
        <translation>Some drives failed to load; see the table below.</translation>
    </message>
    <message>
        <source>载入完成, 各驱动器的结果如下。</source>
        <translation>Load finished; each drive&apos;s result is below.</translation>
    </message>
    <message>
        <source>载入已取消, 之后的驱动器未载入。</source>
        <translation>Load cancelled; the drives after it were not loaded.</translation>
    </message>
    <message>
        <source>驱动器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>Address %1</translation>
    </message>
</context>
<context>
    <name>CMessageBox</name>
    <message>
        <source>ZORIC_Demo</source>
        <translation>ZORIC_Demo</translation>
    </message>
    <message>
        <source>是(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>否(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CMotorControlDlg</name>
    <message>
        <source>PWM方式缓冲/闭环方式加速度</source>
        <translation>PWM Ramps / Closed-Loop Acceleration</translation>
    </message>
    <message>
        <source>PWM上升缓冲:</source>
        <translation>PWM ramp-up:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>加速加速度:</source>
        <translation>Acceleration:</translation>
    </message>
    <message>
        <source>Hz/s</source>
        <translation>Hz/s</translation>
    </message>
    <message>
        <source>PWM下降缓冲:</source>
        <translation>PWM ramp-down:</translation>
    </message>
    <message>
        <source>减速加速度:</source>
        <translation>Deceleration:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>设定</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>电机转速控制</source>
        <translation>Speed Control</translation>
    </message>
    <message>
        <source>输出PWM:</source>
        <translation>Output PWM:</translation>
    </message>
    <message>
        <source>0%</source>
        <translation>0%</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>最大值:100.0</source>
        <translation>Max.: 100.0</translation>
    </message>
    <message>
        <source>换向频率:</source>
        <translation>Commutation freq.:</translation>
    </message>
    <message>
        <source>0Hz</source>
        <translation>0Hz</translation>
    </message>
    <message>
        <source>最大值:</source>
        <translation>Max.:</translation>
    </message>
    <message>
        <source>停止方式:</source>
        <translation>Stop mode:</translation>
    </message>
    <message>
        <source>正常停止</source>
        <translation>Normal stop</translation>
    </message>
    <message>
        <source>紧急停止</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>自由停止</source>
        <translation>Coast to stop</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>电机转动位置控制</source>
        <translation>Position Control</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>位置类型:</source>
        <translation>Position type:</translation>
    </message>
    <message>
        <source>绝对位置</source>
        <translation>Absolute</translation>
    </message>
    <message>
        <source>相对位置</source>
        <translation>Relative</translation>
    </message>
    <message>
        <source>转动位置:</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>%1Hz</source>
        <translation>%1Hz</translation>
    </message>
    <message>
        <source>换向频率最大值</source>
        <translation>Maximum commutation frequency</translation>
    </message>
    <message>
        <source>转动位置最大值</source>
        <translation>Maximum position</translation>
    </message>
    <message>
        <source>定位换向频率</source>
        <translation>Positioning commutation frequency</translation>
    </message>
</context>
<context>
    <name>CMotorParamDlg</name>
    <message>
        <source>PWM调速启动缓冲:</source>
        <translation>PWM start ramp:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>PWM调速减速缓冲:</source>
        <translation>PWM stop ramp:</translation>
    </message>
    <message>
        <source>最大加速加速度:</source>
        <translation>Max. acceleration:</translation>
    </message>
    <message>
        <source>Hz/s</source>
        <translation>Hz/s</translation>
    </message>
    <message>
        <source>默认加速加速度:</source>
        <translation>Default acceleration:</translation>
    </message>
    <message>
        <source>最大减速加速度:</source>
        <translation>Max. deceleration:</translation>
    </message>
    <message>
        <source>默认减速加速度:</source>
        <translation>Default deceleration:</translation>
    </message>
    <message>
        <source>最大换向频率:</source>
        <translation>Max. commutation freq.:</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>默认换向频率:</source>
        <translation>Default commutation freq.:</translation>
    </message>
    <message>
        <source>电机额定电流:</source>
        <translation>Rated motor current:</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>最大负载电流:</source>
        <translation>Max. load current:</translation>
    </message>
    <message>
        <source>制动补偿电流:</source>
        <translation>Braking compensation current:</translation>
    </message>
    <message>
        <source>电机相序数据:</source>
        <translation>Phase sequence:</translation>
    </message>
    <message>
        <source>稳速控制算法:</source>
        <translation>Speed control algorithm:</translation>
    </message>
    <message>
        <source>速度闭环控制</source>
        <translation>Closed-loop speed control</translation>
    </message>
    <message>
        <source>时间-位置闭环</source>
        <translation>Time-position closed loop</translation>
    </message>
    <message>
        <source>时间-位置速率</source>
        <translation>Time-position rate</translation>
    </message>
    <message>
        <source>位置控制允许误差:</source>
        <translation>Position tolerance:</translation>
    </message>
    <message>
        <source>脉冲</source>
        <translation>pulses</translation>
    </message>
    <message>
        <source>位置控制超调后进行校正</source>
        <translation>Correct position overshoot</translation>
    </message>
    <message>
        <source>电机极个数:</source>
        <translation>Pole count:</translation>
    </message>
    <message>
        <source>个</source>
        <translation>poles</translation>
    </message>
    <message>
        <source>减速器减速比:</source>
        <translation>Gear ratio:</translation>
    </message>
    <message>
        <source>:1</source>
        <translation>:1</translation>
    </message>
    <message>
        <source>电机学习状态:</source>
        <translation>Learning state:</translation>
    </message>
    <message>
        <source>未学习</source>
        <translation>Not learned</translation>
    </message>
    <message>
        <source>已学习</source>
        <translation>Learned</translation>
    </message>
    <message>
        <source>禁用电机学习功能</source>
        <translation>Disable motor learning</translation>
    </message>
    <message>
        <source>速度量程×10</source>
        <translation>Speed range ×10</translation>
    </message>
    <message>
        <source>常态自锁电流:</source>
        <translation>Holding current:</translation>
    </message>
    <message>
        <source>启动时检测电机初始速度</source>
        <translation>Detect motor speed at start</translation>
    </message>
    <message>
        <source>允许</source>
        <translation>Allow</translation>
    </message>
    <message>
        <source>倍最大负载电流输出</source>
        <translation>× max. load current for</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>开始学习</source>
        <translation>Start Learning</translation>
    </message>
    <message>
        <source>正在学习</source>
        <translation>Learning...</translation>
    </message>
    <message>
        <source>过载电流倍数</source>
        <translation>Overload current multiple</translation>
    </message>
    <message>
        <source>过载时间</source>
        <translation>Overload time</translation>
    </message>
</context>
<context>
    <name>CObjectDictDlg</name>
    <message>
        <source>访问对象字典</source>
        <translation>Object Dictionary</translation>
    </message>
    <message>
        <source>命令:</source>
        <translation>Command:</translation>
    </message>
    <message>
        <source>0x40(读取)</source>
        <translation>0x40 (upload)</translation>
    </message>
    <message>
        <source>0x2F(写单字节)</source>
        <translation>0x2F (download 1 byte)</translation>
    </message>
    <message>
        <source>0x2B(写双字节)</source>
        <translation>0x2B (download 2 bytes)</translation>
    </message>
    <message>
        <source>0x27(写三字节)</source>
        <translation>0x27 (download 3 bytes)</translation>
    </message>
    <message>
        <source>0x23(写四字节)</source>
        <translation>0x23 (download 4 bytes)</translation>
    </message>
    <message>
        <source>索引:0x</source>
        <translation>Index: 0x</translation>
    </message>
    <message>
        <source>子索引:</source>
        <translation>Subindex:</translation>
    </message>
    <message>
        <source>数据:0x</source>
        <translation>Data: 0x</translation>
    </message>
    <message>
        <source>十进制:</source>
        <translation>Decimal:</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>发送:</source>
        <translation>Sent:</translation>
    </message>
    <message>
        <source>应答:</source>
        <translation>Response:</translation>
    </message>
    <message>
        <source>解析:</source>
        <translation>Decoded:</translation>
    </message>
    <message>
        <source>索引号:0x%1 子索引:%2 
上传单字节数据：0x%3(%4)</source>
        <translation>Index 0x%1, subindex %2
Uploaded 1 byte: 0x%3 (%4)</translation>
    </message>
    <message>
        <source>索引号:0x%1 子索引:%2 
上传双字节数据：0x%3(%4)</source>
        <translation>Index 0x%1, subindex %2
Uploaded 2 bytes: 0x%3 (%4)</translation>
    </message>
    <message>
        <source>索引号:0x%1 子索引:%2 
上传三字节数据：0x%3(%4)</source>
        <translation>Index 0x%1, subindex %2
Uploaded 3 bytes: 0x%3 (%4)</translation>
    </message>
    <message>
        <source>索引号:0x%1 子索引:%2 
上传四字节数据：0x%3(%4)</source>
        <translation>Index 0x%1, subindex %2
Uploaded 4 bytes: 0x%3 (%4)</translation>
    </message>
    <message>
        <source>索引:0x%1 子索引:%2 写入成功</source>
        <translation>Index 0x%1, subindex %2 written</translation>
    </message>
    <message>
        <source>索引号:0x%1 子索引:%2 
传送中断：%3</source>
        <translation>Index 0x%1, subindex %2
Transfer aborted: %3</translation>
    </message>
</context>
<context>
    <name>CPdoEditDlg</name>
    <message>
        <source>编辑PDO</source>
        <translation>Edit PDO</translation>
    </message>
    <message>
        <source>PDO参数设置</source>
        <translation>PDO Parameters</translation>
    </message>
    <message>
        <source>COB-ID:</source>
        <translation>COB-ID:</translation>
    </message>
    <message>
        <source>传输类型:</source>
        <translation>Transmission type:</translation>
    </message>
    <message>
        <source>禁止时间:</source>
        <translation>Inhibit time:</translation>
    </message>
    <message>
        <source>事件时间:</source>
        <translation>Event timer:</translation>
    </message>
    <message>
        <source>映射数量:</source>
        <translation>Mapped objects:</translation>
    </message>
    <message>
        <source>索引</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>子索引</source>
        <translation>Subindex</translation>
    </message>
    <message>
        <source>位数</source>
        <translation>Bits</translation>
    </message>
    <message>
        <source>映射对象1:</source>
        <translation>Mapping 1:</translation>
    </message>
    <message>
        <source>映射对象2:</source>
        <translation>Mapping 2:</translation>
    </message>
    <message>
        <source>映射对象3:</source>
        <translation>Mapping 3:</translation>
    </message>
    <message>
        <source>映射对象4:</source>
        <translation>Mapping 4:</translation>
    </message>
    <message>
        <source>映射对象5:</source>
        <translation>Mapping 5:</translation>
    </message>
    <message>
        <source>映射对象6:</source>
        <translation>Mapping 6:</translation>
    </message>
    <message>
        <source>映射对象7:</source>
        <translation>Mapping 7:</translation>
    </message>
    <message>
        <source>映射对象8:</source>
        <translation>Mapping 8:</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>TPDO%1参数设置</source>
        <translation>TPDO%1 Parameters</translation>
    </message>
    <message>
        <source>RPDO%1参数设置</source>
        <translation>RPDO%1 Parameters</translation>
    </message>
    <message>
        <source>载入中…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>重新载入</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>配置中…</source>
        <translation>Writing…</translation>
    </message>
    <message>
        <source>COB-ID</source>
        <translation>COB-ID</translation>
    </message>
    <message>
        <source>传输类型</source>
        <translation>Transmission type</translation>
    </message>
    <message>
        <source>禁止时间</source>
        <translation>Inhibit time</translation>
    </message>
    <message>
        <source>事件时间</source>
        <translation>Event timer</translation>
    </message>
    <message>
        <source>映射对象%1的索引</source>
        <translation>the index of mapping %1</translation>
    </message>
    <message>
        <source>映射对象%1的子索引</source>
        <translation>the subindex of mapping %1</translation>
    </message>
    <message>
        <source>映射对象%1的位数</source>
        <translation>the bit length of mapping %1</translation>
    </message>
    <message>
        <source>映射数量</source>
        <translation>Mapped objects</translation>
    </message>
    <message>
        <source>%1为空或不是有效的数值，配置未执行</source>
        <translation>The %1 is empty or not a valid number; nothing was written.</translation>
    </message>
    <message>
        <source>配置成功</source>
        <translation>Written successfully.</translation>
    </message>
    <message>
        <source>映射对象%1 索引</source>
        <translation>Mapping %1 index</translation>
    </message>
    <message>
        <source>映射对象%1 子索引</source>
        <translation>Mapping %1 subindex</translation>
    </message>
    <message>
        <source>映射对象%1 位数</source>
        <translation>Mapping %1 bit length</translation>
    </message>
    <message>
        <source>正在读取PDO...</source>
        <translation>Reading the PDO...</translation>
    </message>
    <message>
        <source>正在配置PDO...</source>
        <translation>Configuring the PDO...</translation>
    </message>
</context>
<context>
    <name>CPidFocDlg</name>
    <message>
        <source>PID参数配置</source>
        <translation>PID Parameters</translation>
    </message>
    <message>
        <source>速度PID参数:</source>
        <translation>Speed PID:</translation>
    </message>
    <message>
        <source>Kp:</source>
        <translation>Kp:</translation>
    </message>
    <message>
        <source>Ki:</source>
        <translation>Ki:</translation>
    </message>
    <message>
        <source>Kd:</source>
        <translation>Kd:</translation>
    </message>
    <message>
        <source>位置PID参数:</source>
        <translation>Position PID:</translation>
    </message>
    <message>
        <source>自锁PID参数:</source>
        <translation>Holding PID:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>FOC参数配置</source>
        <translation>FOC Parameters</translation>
    </message>
    <message>
        <source>FOC应用模式:</source>
        <translation>FOC mode:</translation>
    </message>
    <message>
        <source>开环/力矩控制</source>
        <translation>Open loop / torque</translation>
    </message>
    <message>
        <source>速度闭环</source>
        <translation>Closed-loop speed</translation>
    </message>
    <message>
        <source>位置闭环</source>
        <translation>Closed-loop position</translation>
    </message>
    <message>
        <source>最大应用速度:</source>
        <translation>Max. speed:</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>最大应用减速加速度:</source>
        <translation>Max. deceleration:</translation>
    </message>
    <message>
        <source>Hz/s</source>
        <translation>Hz/s</translation>
    </message>
    <message>
        <source>霍尔相位校正:</source>
        <translation>Hall phase correction:</translation>
    </message>
    <message>
        <source>相位偏移</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>度</source>
        <translation>°</translation>
    </message>
    <message>
        <source>自动校正</source>
        <translation>Auto Calibrate</translation>
    </message>
    <message>
        <source>相位超前</source>
        <translation>Advance</translation>
    </message>
    <message>
        <source>磁通量PI参数:</source>
        <translation>Flux PI:</translation>
    </message>
    <message>
        <source>减速时励磁电流分量大于</source>
        <translation>Stop flux control when decelerating above</translation>
    </message>
    <message>
        <source>A禁用磁通量调节(0不禁用)</source>
        <translation>A field current (0: never)</translation>
    </message>
    <message>
        <source>方波启动方式(可减轻堵转抖动)</source>
        <translation>Start with square wave (less judder at stall)</translation>
    </message>
    <message>
        <source>停转后自锁</source>
        <translation>Hold after stop</translation>
    </message>
    <message>
        <source>注:相位偏移量、超前量或磁通PI参数配置不当将导致转速或电流异常</source>
        <translation>Note: a wrong phase offset, advance or flux PI setting causes abnormal speed or current.</translation>
    </message>
    <message>
        <source>驱动器将控制电机正反转约20秒钟来确定相位偏移量，请确保电机处于空载状态，是否准备就绪并继续？</source>
        <translation>The drive will turn the motor forwards and backwards for about 20 seconds to find the phase offset. Make sure the motor has no load. Ready to continue?</translation>
    </message>
    <message>
        <source>重要提示</source>
        <translation>Important</translation>
    </message>
    <message>
        <source>正在校正</source>
        <translation>Calibrating...</translation>
    </message>
    <message>
        <source>Step(%1)</source>
        <translation>Step(%1)</translation>
    </message>
    <message>
        <source>速度PID Kp</source>
        <translation>Speed PID Kp</translation>
    </message>
    <message>
        <source>速度PID Ki</source>
        <translation>Speed PID Ki</translation>
    </message>
    <message>
        <source>速度PID Kd</source>
        <translation>Speed PID Kd</translation>
    </message>
    <message>
        <source>位置PID Kp</source>
        <translation>Position PID Kp</translation>
    </message>
    <message>
        <source>位置PID Ki</source>
        <translation>Position PID Ki</translation>
    </message>
    <message>
        <source>位置PID Kd</source>
        <translation>Position PID Kd</translation>
    </message>
    <message>
        <source>自锁PID Kp</source>
        <translation>Holding PID Kp</translation>
    </message>
    <message>
        <source>自锁PID Ki</source>
        <translation>Holding PID Ki</translation>
    </message>
    <message>
        <source>自锁PID Kd</source>
        <translation>Holding PID Kd</translation>
    </message>
    <message>
        <source>霍尔相位偏移</source>
        <translation>Hall phase offset</translation>
    </message>
    <message>
        <source>霍尔相位超前</source>
        <translation>Hall phase advance</translation>
    </message>
    <message>
        <source>磁通量PI Kp</source>
        <translation>Flux PI Kp</translation>
    </message>
    <message>
        <source>磁通量PI Ki</source>
        <translation>Flux PI Ki</translation>
    </message>
    <message>
        <source>禁用磁通量调节的励磁电流</source>
        <translation>Field current that stops flux control</translation>
    </message>
</context>
<context>
    <name>CPortMessages</name>
    <message>
        <source>打开串口失败: %1</source>
        <translation>Could not open the serial port: %1</translation>
    </message>
    <message>
        <source>找不到设备: %1 对应 %2</source>
        <translation>Device not found: %1 refers to %2</translation>
    </message>
    <message>
        <source>（%1 不存在）</source>
        <translation> (%1 does not exist)</translation>
    </message>
    <message>
        <source>找不到设备: %1</source>
        <translation>Device not found: %1</translation>
    </message>
    <message>
        <source>串口已被其他程序占用</source>
        <translation>The serial port is in use by another program</translation>
    </message>
    <message>
        <source>（%1，进程号 %2）</source>
        <translation> (%1, PID %2)</translation>
    </message>
    <message>
        <source>没有权限打开 %1。
请把当前用户加入 %2 组（sudo usermod -aG %2 $USER），然后重新登录。</source>
        <translation>No permission to open %1.
Add your user to the %2 group (sudo usermod -aG %2 $USER), then log in again.</translation>
    </message>
    <message>
        <source>串口不支持所选的通讯设置（%1）</source>
        <translation>The serial port does not support the selected settings (%1)</translation>
    </message>
    <message>
        <source>%1 不是串口设备</source>
        <translation>%1 is not a serial device</translation>
    </message>
    <message>
        <source>系统错误: %1（%2）</source>
        <translation>System error: %1 (%2)</translation>
    </message>
    <message>
        <source>串口已断开: %1
设备已拔出或已关闭。接好设备后请重新打开串口。</source>
        <translation>Serial port lost: %1
The device was unplugged or switched off. Reconnect it, then open the port again.</translation>
    </message>
    <message>
        <source>网络端口名称无效: %1
应为 tcp://主机[:端口] 或 rtu+tcp://主机:端口</source>
        <translation>Invalid network port name: %1
Use tcp://host[:port] or rtu+tcp://host:port</translation>
    </message>
    <message>
        <source>找不到主机: %1</source>
        <translation>Host not found: %1</translation>
    </message>
    <message>
        <source>连接被拒绝: %1</source>
        <translation>Connection refused: %1</translation>
    </message>
    <message>
        <source>无法到达 %1（没有路由）</source>
        <translation>Cannot reach %1 (no route to host)</translation>
    </message>
    <message>
        <source>连接超时: %1</source>
        <translation>Connection timed out: %1</translation>
    </message>
    <message>
        <source>连接被对方关闭: %1</source>
        <translation>Connection closed by the peer: %1</translation>
    </message>
    <message>
        <source>网络连接已断开: %1
对方关闭了连接。请检查网关或串口服务器后重新打开。</source>
        <translation>Network connection lost: %1
The peer closed the connection. Check the gateway or serial device server, then open the port again.</translation>
    </message>
    <message>
        <source>模拟驱动器的选项无效: %1</source>
        <translation>Invalid option of the simulated drive: %1</translation>
    </message>
</context>
<context>
    <name>CReciprocateDlg</name>
    <message>
        <source>往复过程控制</source>
        <translation>Reciprocating Cycle</translation>
    </message>
    <message>
        <source>复位粗调速度:</source>
        <translation>Homing speed (coarse):</translation>
    </message>
    <message>
        <source>Hz(脉冲/秒)</source>
        <translation>Hz (pulses/s)</translation>
    </message>
    <message>
        <source>复位方式:</source>
        <translation>Homing mode:</translation>
    </message>
    <message>
        <source>不复位</source>
        <translation>No homing</translation>
    </message>
    <message>
        <source>SQ2复位</source>
        <translation>Home to SQ2</translation>
    </message>
    <message>
        <source>SQ1复位</source>
        <translation>Home to SQ1</translation>
    </message>
    <message>
        <source>复位细调速度:</source>
        <translation>Homing speed (fine):</translation>
    </message>
    <message>
        <source>总行程:</source>
        <translation>Total travel:</translation>
    </message>
    <message>
        <source>脉冲</source>
        <translation>pulses</translation>
    </message>
    <message>
        <source>复位时转矩:</source>
        <translation>Homing torque:</translation>
    </message>
    <message>
        <source>A×N·m/A (0为最大负载电流对应转矩)</source>
        <translation>A × N·m/A (0 = max. load current)</translation>
    </message>
    <message>
        <source>启用复位细调</source>
        <translation>Fine homing</translation>
    </message>
    <message>
        <source>完成后速度:</source>
        <translation>Speed after homing:</translation>
    </message>
    <message>
        <source>限位后重新复位</source>
        <translation>Home again after a limit</translation>
    </message>
    <message>
        <source>忽略变化量低于</source>
        <translation>Ignore input changes below</translation>
    </message>
    <message>
        <source>% 的输入信号</source>
        <translation>%</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>测试操作:</source>
        <translation>Test:</translation>
    </message>
    <message>
        <source>测量行程</source>
        <translation>Measure Travel</translation>
    </message>
    <message>
        <source>取消操作</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>预设正反转速度</source>
        <translation>Preset Speeds</translation>
    </message>
    <message>
        <source>正转速度:</source>
        <translation>Forward speed:</translation>
    </message>
    <message>
        <source>调速方式:</source>
        <translation>Speed mode:</translation>
    </message>
    <message>
        <source>占空比</source>
        <translation>Duty cycle</translation>
    </message>
    <message>
        <source>力矩</source>
        <translation>Torque</translation>
    </message>
    <message>
        <source>速度闭环</source>
        <translation>Closed-loop speed</translation>
    </message>
    <message>
        <source>位置闭环</source>
        <translation>Closed-loop position</translation>
    </message>
    <message>
        <source>反转速度:</source>
        <translation>Reverse speed:</translation>
    </message>
    <message>
        <source>控制方式:</source>
        <translation>Control mode:</translation>
    </message>
    <message>
        <source>双触点</source>
        <translation>Two contacts</translation>
    </message>
    <message>
        <source>单触点</source>
        <translation>One contact</translation>
    </message>
    <message>
        <source>忽略的输入变化量</source>
        <translation>Input change to ignore</translation>
    </message>
</context>
<context>
    <name>CRegisterDlg</name>
    <message>
        <source>读写寄存器</source>
        <translation>Registers</translation>
    </message>
    <message>
        <source>单/双个寄存器操作</source>
        <translation>Single / Double Register</translation>
    </message>
    <message>
        <source>起始地址:0x</source>
        <translation>Start address: 0x</translation>
    </message>
    <message>
        <source>数据类型:</source>
        <translation>Data type:</translation>
    </message>
    <message>
        <source>短整型（单寄存器）</source>
        <translation>Short (1 register)</translation>
    </message>
    <message>
        <source>长整型（双寄存器）</source>
        <translation>Long (2 registers)</translation>
    </message>
    <message>
        <source>浮点型（双寄存器）</source>
        <translation>Float (2 registers)</translation>
    </message>
    <message>
        <source>寄存器值:0x</source>
        <translation>Register value: 0x</translation>
    </message>
    <message>
        <source>十进制:</source>
        <translation>Decimal:</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入起始地址</source>
        <translation>Write start address</translation>
    </message>
    <message>
        <source>写入数据类型</source>
        <translation>Write data type</translation>
    </message>
    <message>
        <source>写入寄存器值</source>
        <translation>Register value to write</translation>
    </message>
    <message>
        <source>写入值(十进制)</source>
        <translation>Value to write (decimal)</translation>
    </message>
    <message>
        <source>读取起始地址</source>
        <translation>Read start address</translation>
    </message>
    <message>
        <source>读取数据类型</source>
        <translation>Read data type</translation>
    </message>
    <message>
        <source>读取的寄存器值</source>
        <translation>Register value read</translation>
    </message>
    <message>
        <source>读取的值(十进制)</source>
        <translation>Value read (decimal)</translation>
    </message>
</context>
<context>
    <name>CSafetyDlg</name>
    <message>
        <source>安全保护设置</source>
        <translation>Protection Settings</translation>
    </message>
    <message>
        <source>过热关断:</source>
        <translation>Overtemperature trip:</translation>
    </message>
    <message>
        <source>当功率管附近温度达到</source>
        <translation>When the power stage reaches</translation>
    </message>
    <message>
        <source>℃时关断输出</source>
        <translation>°C, shut down</translation>
    </message>
    <message>
        <source>过热限流:</source>
        <translation>Overtemperature limit:</translation>
    </message>
    <message>
        <source>℃时禁用倍流输出</source>
        <translation>°C, no overload current</translation>
    </message>
    <message>
        <source>过压关断:</source>
        <translation>Overvoltage trip:</translation>
    </message>
    <message>
        <source>当电源电压高于</source>
        <translation>When the supply exceeds</translation>
    </message>
    <message>
        <source>V 时关断输出</source>
        <translation>V, shut down</translation>
    </message>
    <message>
        <source>欠压关断:</source>
        <translation>Undervoltage trip:</translation>
    </message>
    <message>
        <source>当电源电压低于</source>
        <translation>When the supply falls below</translation>
    </message>
    <message>
        <source>过流关断:</source>
        <translation>Overcurrent trip:</translation>
    </message>
    <message>
        <source>当瞬间电流达到</source>
        <translation>When the peak current reaches</translation>
    </message>
    <message>
        <source>A 时关断输出</source>
        <translation>A, shut down</translation>
    </message>
    <message>
        <source>霍尔错误:</source>
        <translation>Hall fault:</translation>
    </message>
    <message>
        <source>当出现霍尔错误达到</source>
        <translation>When a Hall fault lasts</translation>
    </message>
    <message>
        <source>ms 时关断输出 (FOC固定0ms)</source>
        <translation>ms, shut down (FOC: always 0 ms)</translation>
    </message>
    <message>
        <source>温度校准:</source>
        <translation>Temperature calibration:</translation>
    </message>
    <message>
        <source>校准后温度 = 校准前温度 ×</source>
        <translation>Calibrated = measured ×</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>电压校准:</source>
        <translation>Voltage calibration:</translation>
    </message>
    <message>
        <source>校准后电压 = 校准前电压 ×</source>
        <translation>Calibrated = measured ×</translation>
    </message>
    <message>
        <source>当温度低于过热关断条件后清除过热报警</source>
        <translation>Clear the overtemperature alarm once the temperature is below the trip level</translation>
    </message>
    <message>
        <source>电流环PID动态调节减小超调 (更平缓,响应会略慢)</source>
        <translation>Adaptive current-loop PID against overshoot (smoother, slightly slower)</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>过热关断温度</source>
        <translation>Overtemperature trip level</translation>
    </message>
    <message>
        <source>过热限流温度</source>
        <translation>Overtemperature limit level</translation>
    </message>
    <message>
        <source>过压关断电压</source>
        <translation>Overvoltage trip level</translation>
    </message>
    <message>
        <source>欠压关断电压</source>
        <translation>Undervoltage trip level</translation>
    </message>
    <message>
        <source>过流关断电流</source>
        <translation>Overcurrent trip level</translation>
    </message>
    <message>
        <source>霍尔错误时间</source>
        <translation>Hall fault time</translation>
    </message>
    <message>
        <source>温度校准系数</source>
        <translation>Temperature calibration factor</translation>
    </message>
    <message>
        <source>温度校准偏移</source>
        <translation>Temperature calibration offset</translation>
    </message>
    <message>
        <source>电压校准系数</source>
        <translation>Voltage calibration factor</translation>
    </message>
    <message>
        <source>电压校准偏移</source>
        <translation>Voltage calibration offset</translation>
    </message>
</context>
<context>
    <name>CSyncEditDlg</name>
    <message>
        <source>编辑SYNC</source>
        <translation>Edit SYNC</translation>
    </message>
    <message>
        <source>SYNC参数设置</source>
        <translation>SYNC Parameters</translation>
    </message>
    <message>
        <source>COB-ID :</source>
        <translation>COB-ID :</translation>
    </message>
    <message>
        <source>通讯间隔时间:</source>
        <translation>Communication cycle period:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>同步窗口长度:</source>
        <translation>Synchronous window length:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>通讯间隔时间</source>
        <translation>communication cycle period</translation>
    </message>
    <message>
        <source>同步窗口长度</source>
        <translation>synchronous window length</translation>
    </message>
    <message>
        <source>%1不是有效的数值，配置未执行</source>
        <translation>The %1 is not a valid number; nothing was written.</translation>
    </message>
</context>
<context>
    <name>CSystemParamDlg</name>
    <message>
        <source>系统参数配置</source>
        <translation>System Settings</translation>
    </message>
    <message>
        <source>限位触发极性:</source>
        <translation>Limit switch polarity:</translation>
    </message>
    <message>
        <source>低电平/闭合</source>
        <translation>Low level/closed</translation>
    </message>
    <message>
        <source>高电平/断开</source>
        <translation>High level/open</translation>
    </message>
    <message>
        <source>下降沿/闭合瞬间</source>
        <translation>Falling edge/on closing</translation>
    </message>
    <message>
        <source>上升沿/断开瞬间</source>
        <translation>Rising edge/on opening</translation>
    </message>
    <message>
        <source>禁用</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>数字信号极性:</source>
        <translation>Digital input polarity:</translation>
    </message>
    <message>
        <source>端口输入类型:</source>
        <translation>Input source:</translation>
    </message>
    <message>
        <source>拨码开关指定</source>
        <translation>Set by DIP switches</translation>
    </message>
    <message>
        <source>电位器</source>
        <translation>Potentiometer</translation>
    </message>
    <message>
        <source>模拟信号</source>
        <translation>Analog signal</translation>
    </message>
    <message>
        <source>脉冲信号</source>
        <translation>Pulse signal</translation>
    </message>
    <message>
        <source>内置程序指定</source>
        <translation>Set by built-in program</translation>
    </message>
    <message>
        <source>端口控制类型:</source>
        <translation>I/O control mode:</translation>
    </message>
    <message>
        <source>占空比调速</source>
        <translation>Duty-cycle speed control</translation>
    </message>
    <message>
        <source>力矩控制</source>
        <translation>Torque control</translation>
    </message>
    <message>
        <source>速度闭环控制</source>
        <translation>Closed-loop speed control</translation>
    </message>
    <message>
        <source>位置闭环控制</source>
        <translation>Closed-loop position control</translation>
    </message>
    <message>
        <source>预设速度控制</source>
        <translation>Preset speed control</translation>
    </message>
    <message>
        <source>内置程序</source>
        <translation>Built-in program</translation>
    </message>
    <message>
        <source>电位器用法:</source>
        <translation>Potentiometer use:</translation>
    </message>
    <message>
        <source>单电位器</source>
        <translation>One potentiometer</translation>
    </message>
    <message>
        <source>双电位器独立</source>
        <translation>Two potentiometers, independent</translation>
    </message>
    <message>
        <source>双电位器协同</source>
        <translation>Two potentiometers, combined</translation>
    </message>
    <message>
        <source>脉冲信号类型:</source>
        <translation>Pulse signal type:</translation>
    </message>
    <message>
        <source>PWM</source>
        <translation>PWM</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>脉冲(计数)</source>
        <translation>Pulses (count)</translation>
    </message>
    <message>
        <source>模拟信号类型:</source>
        <translation>Analog signal type:</translation>
    </message>
    <message>
        <source>单端信号</source>
        <translation>Single-ended signal</translation>
    </message>
    <message>
        <source>差分信号</source>
        <translation>Differential signal</translation>
    </message>
    <message>
        <source>双单端独立</source>
        <translation>Two single-ended, independent</translation>
    </message>
    <message>
        <source>双单端协同</source>
        <translation>Two single-ended, combined</translation>
    </message>
    <message>
        <source>逻辑电平类型:</source>
        <translation>Logic level:</translation>
    </message>
    <message>
        <source>开关量</source>
        <translation>Dry contact</translation>
    </message>
    <message>
        <source>0/3.3V</source>
        <translation>0/3.3V</translation>
    </message>
    <message>
        <source>0/5V</source>
        <translation>0/5V</translation>
    </message>
    <message>
        <source>0/12V或0/24V</source>
        <translation>0/12V or 0/24V</translation>
    </message>
    <message>
        <source>电位器电压范围:</source>
        <translation>Potentiometer range:</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>脉冲信号倍率:</source>
        <translation>Pulse scaling:</translation>
    </message>
    <message>
        <source>模拟信号范围:</source>
        <translation>Analog range:</translation>
    </message>
    <message>
        <source>逻辑电平阈值:</source>
        <translation>Logic threshold:</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>模拟信号调整:</source>
        <translation>Analog adjustment:</translation>
    </message>
    <message>
        <source>y=</source>
        <translation>y=</translation>
    </message>
    <message>
        <source>x+</source>
        <translation>x+</translation>
    </message>
    <message>
        <source>电压比较死区:</source>
        <translation>Comparator dead band:</translation>
    </message>
    <message>
        <source>堵转停机时间:</source>
        <translation>Stall stop time:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>禁用蜂鸣器报警</source>
        <translation>Disable buzzer alarm</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>电位器电压下限</source>
        <translation>Potentiometer range low</translation>
    </message>
    <message>
        <source>电位器电压上限</source>
        <translation>Potentiometer range high</translation>
    </message>
    <message>
        <source>模拟信号范围下限</source>
        <translation>Analog range low</translation>
    </message>
    <message>
        <source>模拟信号范围上限</source>
        <translation>Analog range high</translation>
    </message>
    <message>
        <source>模拟信号调整系数</source>
        <translation>Analog adjustment factor</translation>
    </message>
    <message>
        <source>模拟信号调整偏移</source>
        <translation>Analog adjustment offset</translation>
    </message>
</context>
<context>
    <name>CTaskProgress</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ConfigTexts</name>
    <message>
        <source>加减速设置</source>
        <translation>Ramps</translation>
    </message>
    <message>
        <source>电机参数</source>
        <translation>Motor Parameters</translation>
    </message>
    <message>
        <source>系统参数</source>
        <translation>System Parameters</translation>
    </message>
    <message>
        <source>扩展系统参数</source>
        <translation>Extended System Parameters</translation>
    </message>
    <message>
        <source>PID参数</source>
        <translation>PID Parameters</translation>
    </message>
    <message>
        <source>FOC参数</source>
        <translation>FOC Parameters</translation>
    </message>
    <message>
        <source>安全保护</source>
        <translation>Protection</translation>
    </message>
    <message>
        <source>往复运动参数</source>
        <translation>Reciprocating Parameters</translation>
    </message>
    <message>
        <source>预置速度</source>
        <translation>Preset Speeds</translation>
    </message>
    <message>
        <source>通讯参数</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>从站地址</source>
        <translation>Slave Address</translation>
    </message>
    <message>
        <source>CAN参数</source>
        <translation>CAN Parameters</translation>
    </message>
    <message>
        <source>PDO</source>
        <translation>PDO</translation>
    </message>
    <message>
        <source>SYNC</source>
        <translation>SYNC</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device Information</translation>
    </message>
    <message>
        <source>实时状态</source>
        <translation>Live Status</translation>
    </message>
    <message>
        <source>设备标识</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>版本号</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>设备型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>读取%1失败: %2</source>
        <translation>Reading %1 failed: %2</translation>
    </message>
    <message>
        <source>无法读取文件。</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>文件由较新版本的程序生成, 无法读取。</source>
        <translation>The file was made by a newer version of the program and cannot be read.</translation>
    </message>
    <message>
        <source>配置文件第%1行的%2有误。</source>
        <translation>Invalid %2 in line %1 of the configuration file.</translation>
    </message>
    <message>
        <source>配置文件中的%1有误。</source>
        <translation>Invalid %1 in the configuration file.</translation>
    </message>
    <message>
        <source>配置文件第%1行有误。</source>
        <translation>Line %1 of the configuration file is invalid.</translation>
    </message>
    <message>
        <source>不是有效的配置文件。</source>
        <translation>Not a valid configuration file.</translation>
    </message>
    <message>
        <source>已写入并校验</source>
        <translation>Written and verified</translation>
    </message>
    <message>
        <source>无变化</source>
        <translation>Unchanged</translation>
    </message>
    <message>
        <source>未执行</source>
        <translation>Not run</translation>
    </message>
    <message>
        <source>失败: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>失败: 读回的值不同: %1</source>
        <translation>Failed: read back different values: %1</translation>
    </message>
    <message>
        <source> (可能已部分写入)</source>
        <translation> (may be partly written)</translation>
    </message>
    <message>
        <source>; 驱动器没有: %1</source>
        <translation>; not in the drive: %1</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>在其他通讯设置, 未载入</source>
        <translation>At other line settings, not loaded</translation>
    </message>
    <message>
        <source>未载入</source>
        <translation>Not loaded</translation>
    </message>
    <message>
        <source>无变化, 驱动器中的参数与文件相同</source>
        <translation>Unchanged: the drive holds the file&apos;s settings</translation>
    </message>
    <message>
        <source>已写入并校验, 保存失败: %1</source>
        <translation>Written and verified; storing failed: %1</translation>
    </message>
    <message>
        <source>已取消, 之后的参数未写入</source>
        <translation>Cancelled; the later settings were not written</translation>
    </message>
</context>
</TS>
