// The numbers added to the SMS dialog's list by hand or pasted that stay out of it: refused members'
// and callers' of the 080 line. The refusal notice keeps them: it is the one send their numbers
// belong in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CSQLDirect;
class RecipientList;
struct PasteResult;

class RefusedRecipients {
public:
    // db is read only for a send that is not the refusal notice (target type 3).
    RefusedRecipients(CSQLDirect* db, int32_t targetType) : m_db(db), m_targetType(targetType) {}

    // Which of the phones must be left out, one flag each. When the refusals cannot be read the reason
    // is shown and every one is left out: numbers that cannot be checked are not vouched for.
    std::vector<bool> LeaveOut(const std::vector<std::string>& phones) const;
    // Takes the refused out of the rows the paste appended; how many went. The paste's first new row
    // becomes -1 when none of them is left.
    int RemovePasted(RecipientList& list, PasteResult& paste) const;

private:
    CSQLDirect* m_db;
    int32_t m_targetType;
};
