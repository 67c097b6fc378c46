#include "tests/support/scriptedfiles.h"

ScriptedFiles::ScriptedFiles() {
    m_previous = SetFileDialogPresenter([this](const OpenFileRequest& request, QWidget*) {
        m_requests.push_back(request);
        std::optional<std::string> answer;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        return answer;
    });
}

ScriptedFiles::~ScriptedFiles() {
    SetFileDialogPresenter(std::move(m_previous));
}
