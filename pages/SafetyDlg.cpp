#include "SafetyDlg.h"

CSafetyDlg::CSafetyDlg(QWidget* parent) : QWidget(parent) {}

CSafetyDlg::~CSafetyDlg() = default;
