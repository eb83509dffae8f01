#include "FileChoiceRecorder.h"

CFileChoiceRecorder::CFileChoiceRecorder() { CFileChooser::SetHandler(this); }

CFileChoiceRecorder::~CFileChoiceRecorder() { CFileChooser::SetHandler(nullptr); }

QString CFileChoiceRecorder::Handle(const CFileChooser::Request& request)
{
    m_requests.push_back(request);
    if (m_script.empty()) return {};
    QString path = m_script.front();
    m_script.pop_front();
    return path;
}
