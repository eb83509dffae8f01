#include "RegisterDlg.h"

CRegisterDlg::CRegisterDlg(QWidget* parent) : QDialog(parent) {}

CRegisterDlg::~CRegisterDlg() = default;
