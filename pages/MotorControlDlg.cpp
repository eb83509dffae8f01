#include "MotorControlDlg.h"

CMotorControlDlg::CMotorControlDlg(QWidget* parent) : QWidget(parent) {}

CMotorControlDlg::~CMotorControlDlg() = default;
