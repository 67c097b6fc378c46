#include "frame/messagebox.h"

#include <cstdio>

#include "text/codec.h"

namespace {
MessagePresenter& presenter() {
    static MessagePresenter p;
    return p;
}
} // namespace

int ShowMessageBox(const std::string& text, unsigned type, unsigned textColor, int closeKey,
                   QWidget* parent) {
    if (presenter())
        return presenter()(text, type, textColor, closeKey, parent);
    // No window system attached: say it on stderr and take the safe answer.
    std::fprintf(stderr, "ZMSG: %s\n", zmsg::Cp949ToUtf8(text).c_str());
    return (type & MB_YESNO) ? IDNO : IDOK;
}

MessagePresenter SetMessagePresenter(MessagePresenter p) {
    MessagePresenter old = std::move(presenter());
    presenter() = std::move(p);
    return old;
}

bool HasMessagePresenter() {
    return static_cast<bool>(presenter());
}
