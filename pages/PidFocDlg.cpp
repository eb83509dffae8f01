#include "PidFocDlg.h"

CPidFocDlg::CPidFocDlg(QWidget* parent) : QWidget(parent) {}

CPidFocDlg::~CPidFocDlg() = default;
