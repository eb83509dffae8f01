#include "SystemParamDlg.h"

CSystemParamDlg::CSystemParamDlg(QWidget* parent) : QWidget(parent) {}

CSystemParamDlg::~CSystemParamDlg() = default;
