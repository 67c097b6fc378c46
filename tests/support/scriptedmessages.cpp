#include "tests/support/scriptedmessages.h"

#include "text/codec.h"

ScriptedMessages::ScriptedMessages() {
    m_previous = SetMessagePresenter(
        [this](const std::string& text, unsigned type, unsigned color, int, QWidget*) -> int {
            m_shown.push_back({zmsg::Cp949ToUtf8(text), type, color});
            if (m_onShow)
                m_onShow(m_shown.back());
            if (!m_answers.empty()) {
                const int a = m_answers.front();
                m_answers.pop_front();
                return a;
            }
            return (type & MB_YESNO) ? IDNO : IDOK;
        });
}

ScriptedMessages::~ScriptedMessages() {
    SetMessagePresenter(std::move(m_previous));
}

std::vector<std::string> ScriptedMessages::texts() const {
    std::vector<std::string> out;
    for (const auto& m : m_shown)
        out.push_back(m.text);
    return out;
}
