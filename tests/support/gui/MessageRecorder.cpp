#include "MessageRecorder.h"

#include <QTest>

CMessageRecorder::CMessageRecorder() { CMessageBox::SetHandler(this); }

CMessageRecorder::~CMessageRecorder() { CMessageBox::SetHandler(nullptr); }

CMessageBox::Answer CMessageRecorder::Handle(const CMessageBox::Request& request)
{
    m_requests.push_back(request);
    if (!m_script.empty()) {
        const CMessageBox::Answer answer = m_script.front();
        m_script.pop_front();
        return answer;
    }
    return request.buttons == CMessageBox::Buttons::YesNo ? m_fallback : CMessageBox::Answer::Ok;
}

QStringList CMessageRecorder::Texts() const
{
    QStringList texts;
    for (const auto& request : m_requests) texts << request.text;
    return texts;
}

QString CMessageRecorder::LastText() const { return m_requests.empty() ? QString() : m_requests.back().text; }

bool CMessageRecorder::WaitForCount(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return Count() >= count; }, timeoutMs);
}
