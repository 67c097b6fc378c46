// Replaces the file dialog for the length of a test: each dialog shown takes the next scripted
// choice (a path, or a cancel), and every request is recorded. Unscripted dialogs are cancelled.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "frame/filedialog.h"

class ScriptedFiles {
public:
    ScriptedFiles();
    ~ScriptedFiles();
    void setNextFile(const std::string& path) { m_answers.emplace_back(path); }
    void setNextCancel() { m_answers.emplace_back(std::nullopt); }
    const std::vector<OpenFileRequest>& requests() const { return m_requests; }

private:
    std::deque<std::optional<std::string>> m_answers;
    std::vector<OpenFileRequest> m_requests;
    FileDialogPresenter m_previous;
};
