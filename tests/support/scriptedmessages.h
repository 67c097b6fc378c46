// Replaces the message box for the length of a test: answers come from a script, and every
// prompt shown is recorded (as UTF-8, for readable assertions).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "frame/messagebox.h"

struct ShownMessage {
    std::string text; // UTF-8
    unsigned type;
    unsigned color;
};

class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();
    // The next box shown answers this; unscripted boxes answer OK, or No for questions.
    void setNextAnswer(int answer) { m_answers.push_back(answer); }
    // Called as each box is shown, before it is answered: what the window looks like behind it.
    void setOnShow(std::function<void(const ShownMessage&)> onShow) { m_onShow = std::move(onShow); }
    const std::vector<ShownMessage>& shown() const { return m_shown; }
    std::vector<std::string> texts() const;
    void clear() { m_shown.clear(); }

private:
    std::deque<int> m_answers;
    std::vector<ShownMessage> m_shown;
    std::function<void(const ShownMessage&)> m_onShow;
    MessagePresenter m_previous;
};
