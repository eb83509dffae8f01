#include "ObjectDictDlg.h"

CObjectDictDlg::CObjectDictDlg(QWidget* parent) : QDialog(parent) {}

CObjectDictDlg::~CObjectDictDlg() = default;
