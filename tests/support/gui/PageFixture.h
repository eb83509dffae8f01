#pragma once
// CPageFixture: a window test of one tab page, reached through its accessor
// on the main window; W<T>("name") finds a control of the page by name.
//
//   class MotorParamPage : public CPageFixture<CMotorParamDlg, &CDemoDlg::MotorParamPage> {};

#include <QLineEdit>

#include "GuiFixture.h"

template <class Page, Page* (CDemoDlg::*Accessor)() const>
class CPageFixture : public CGuiFixture {
protected:
    void SetUp() override
    {
        CGuiFixture::SetUp();
        if (HasFatalFailure()) return;
        page = (m_dlg.get()->*Accessor)();
        ASSERT_NE(page, nullptr);
    }
    template <class T>
    T* W(const char* name)
    {
        T* w = GuiActions::Find<T>(page, name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Text(const char* name) { return W<QLineEdit>(name)->text(); }

    Page* page = nullptr;
};
