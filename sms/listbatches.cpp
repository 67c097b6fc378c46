#include "sms/listbatches.h"

#include <utility>

#include "members/recipientlist.h"

namespace {

RowWriter SmsRows(const std::vector<Recipient>& rows, ListFields fields) {
    return [&rows, fields](size_t i, std::string& body, SentRecipient& who) {
        const Recipient& r = rows[i];
        if (!r.checked || !r.bySms)
            return false;
        who.ref = r.code;
        who.phone = r.phone;
        body += "}{";
        body += r.phone;
        if (fields.merge) {
            body += '|';
            if (fields.use1)
                AppendCellForPost(body, r.name);
            body += '|';
            if (fields.use3)
                AppendCellForPost(body, r.text3);
            body += '|';
            if (fields.use4)
                AppendCellForPost(body, r.text4);
        }
        return true;
    };
}

} // namespace

ListBatches::ListBatches(const std::vector<Recipient>& rows, std::string prefix, int batchSize,
                         ListFields fields)
    : RowBatches(rows.size(), std::move(prefix), "&list=", batchSize, SmsRows(rows, fields),
                 fields.merge ? 64 : 16) {}
