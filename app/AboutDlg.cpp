#include "AboutDlg.h"

#include "AppIcon.h"
#include "ui_AboutDlg.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CAboutDlg>()) {
    ui->setupUi(this);
    ui->m_icon->setPixmap(AppIcon().pixmap(32, 32));
    connect(ui->m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint());
}

CAboutDlg::~CAboutDlg() = default;
