#pragma once
// What the main window says about its port: why it did not open (after
// "打开串口失败: COM1") and that the open port's device went away.

#include <QCoreApplication>
#include <QString>
#include <string>

#include "PortOpenError.h"

class CPortMessages {
    Q_DECLARE_TR_FUNCTIONS(CPortMessages)
public:
    // "打开串口失败: COM5" (the port as named) and, on the next line, why.
    static QString OpenFailure(const PortOpenError& error);
    // The port's device hung up (unplugged, switched off, simulator ended).
    static QString Lost(const QString& port);
};
