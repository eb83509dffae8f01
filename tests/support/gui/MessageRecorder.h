#pragma once
// Stands in for every message box while installed: records what would have
// been shown and answers from a script. Install it for the lifetime of a
// test (CGuiFixture does). UI thread only, like the boxes themselves.

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "MessageBox.h"

class CMessageRecorder : public CMessageBox::IHandler {
public:
    CMessageRecorder();
    ~CMessageRecorder() override;  // uninstalls itself

    CMessageBox::Answer Handle(const CMessageBox::Request& request) override;

    // Scripted answers, used in order by the next boxes. With the script
    // empty an OK box is answered Ok and a Yes/No box with `m_fallback`
    // (No unless changed: a question nobody scripted changes nothing).
    void Answer(CMessageBox::Answer answer) { m_script.push_back(answer); }
    CMessageBox::Answer m_fallback = CMessageBox::Answer::No;

    const std::vector<CMessageBox::Request>& Requests() const { return m_requests; }
    QStringList Texts() const;
    int Count() const { return static_cast<int>(m_requests.size()); }
    // Text of the last box; empty when none was shown.
    QString LastText() const;
    void Clear() { m_requests.clear(); }
    // Serves events until `count` boxes have been shown (workers' boxes
    // arrive through the UI dispatcher); false on time-out.
    bool WaitForCount(int count, int timeoutMs = 5000);

private:
    std::vector<CMessageBox::Request> m_requests;
    std::deque<CMessageBox::Answer> m_script;
};
