#include "ReciprocateDlg.h"

CReciprocateDlg::CReciprocateDlg(QWidget* parent) : QWidget(parent) {}

CReciprocateDlg::~CReciprocateDlg() = default;
