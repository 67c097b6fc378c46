#include "frame/filedialog.h"

#include <algorithm>
#include <cstdio>

namespace {
FileDialogPresenter& presenter() {
    static FileDialogPresenter p;
    return p;
}
} // namespace

std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest& request, QWidget* parent) {
    if (presenter())
        return presenter()(request, parent);
    // No window system attached: nobody can choose, which is a cancel.
    std::fprintf(stderr, "ZMSG: no file dialog available, choice cancelled\n");
    return std::nullopt;
}

FileDialogPresenter SetFileDialogPresenter(FileDialogPresenter p) {
    FileDialogPresenter old = std::move(presenter());
    presenter() = std::move(p);
    return old;
}

bool HasFileDialogPresenter() {
    return static_cast<bool>(presenter());
}

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
    std::vector<FileFilterEntry> out;
    size_t at = 0;
    while (at < filter.size()) {
        const size_t textEnd = filter.find('|', at);
        if (textEnd == std::string::npos || textEnd == at)
            break;
        const size_t patternsEnd = filter.find('|', textEnd + 1);
        FileFilterEntry entry;
        entry.text = filter.substr(at, textEnd - at);
        const std::string patterns = filter.substr(
            textEnd + 1, (patternsEnd == std::string::npos ? filter.size() : patternsEnd) - textEnd - 1);
        for (size_t p = 0; p <= patterns.size();) {
            const size_t end = std::min(patterns.find(';', p), patterns.size());
            if (end > p)
                entry.patterns.push_back(patterns.substr(p, end - p));
            p = end + 1;
        }
        out.push_back(std::move(entry));
        if (patternsEnd == std::string::npos)
            break;
        at = patternsEnd + 1;
    }
    return out;
}
