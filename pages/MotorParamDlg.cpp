#include "MotorParamDlg.h"

CMotorParamDlg::CMotorParamDlg(QWidget* parent) : QWidget(parent) {}

CMotorParamDlg::~CMotorParamDlg() = default;
