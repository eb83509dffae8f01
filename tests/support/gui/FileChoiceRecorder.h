#pragma once
// Stands in for every file dialog while installed: records what was asked
// and answers with scripted paths, in order (a cancel when none is left).

#include <QString>
#include <deque>
#include <vector>

#include "FileChooser.h"

class CFileChoiceRecorder : public CFileChooser::IHandler {
public:
    CFileChoiceRecorder();
    ~CFileChoiceRecorder() override;  // uninstalls itself

    QString Handle(const CFileChooser::Request& request) override;

    void Choose(const QString& path) { m_script.push_back(path); }
    const std::vector<CFileChooser::Request>& Requests() const { return m_requests; }

private:
    std::vector<CFileChooser::Request> m_requests;
    std::deque<QString> m_script;
};
