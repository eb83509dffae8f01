#include "CommParamDlg.h"

CCommParamDlg::CCommParamDlg(QWidget* parent) : QWidget(parent) {}

CCommParamDlg::~CCommParamDlg() = default;
