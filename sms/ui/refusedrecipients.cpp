#include "sms/ui/refusedrecipients.h"

#include "members/recipientlist.h"
#include "optout/notice.h"
#include "optout/refusallist.h"
#include "sms/pasteparser.h"

std::vector<bool> RefusedRecipients::LeaveOut(const std::vector<std::string>& phones) const {
    if (m_targetType == 3)
        return std::vector<bool>(phones.size(), false);
    std::vector<bool> refused;
    UserNotice failure;
    if (!FindRefusedNumbers(*m_db, phones, refused, failure)) {
        ShowNotice(failure);
        return std::vector<bool>(phones.size(), true);
    }
    return refused;
}

int RefusedRecipients::RemovePasted(RecipientList& list, PasteResult& paste) const {
    if (paste.firstNewRow < 0)
        return 0;
    const auto first = static_cast<size_t>(paste.firstNewRow);
    // Pasted numbers are checked against the refusals as loaded members are.
    std::vector<std::string> phones;
    for (size_t i = first; i < list.size(); ++i)
        phones.push_back(list[i].phone);
    const std::vector<bool> refused = LeaveOut(phones);
    std::vector<size_t> rows;
    for (size_t i = 0; i < refused.size(); ++i)
        if (refused[i])
            rows.push_back(first + i);
    list.RemoveRows(rows);
    if (first >= list.size())
        paste.firstNewRow = -1;
    return static_cast<int>(rows.size());
}
