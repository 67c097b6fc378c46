// The SMSLIST batches of an SMS send: the rows checked and marked for SMS, each with the merge fields
// the message uses.
#pragma once

#include <string>
#include <vector>

#include "center/send/rowbatches.h"
#include "members/recipient.h"

using ListBatch = RowBatch;

// Which of the list's fields travel with each recipient ("}{phone|1|3|4"); without merge only the
// phone does.
struct ListFields {
    bool merge = false;
    bool use1 = false;
    bool use3 = false;
    bool use4 = false;
};

class ListBatches : public RowBatches {
public:
    // prefix is the body up to the sequence number ("work=SMSLIST&...&seq="). The rows must outlive
    // this object unchanged.
    ListBatches(const std::vector<Recipient>& rows, std::string prefix, int batchSize, ListFields fields);
};
