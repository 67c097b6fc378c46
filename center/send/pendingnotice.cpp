#include "center/send/pendingnotice.h"

#include "center/send/sendsettle.h"

std::optional<PendingSend> PendingForWindow(const std::optional<PendingSend>& own, SendKind kind,
                                            const std::function<bool(const PendingSend&)>& shown) {
    if (own)
        return own;
    std::optional<PendingSend> found = UnresolvedInJournal(kind);
    if (found && shown && !shown(*found))
        found.reset();
    return found;
}

std::string PendingNotices(const std::vector<std::optional<PendingSend>>& sends) {
    std::string text;
    for (const std::optional<PendingSend>& send : sends)
        if (send)
            text += (text.empty() ? "" : "\n") + PendingSendNotice(*send);
    return text;
}
