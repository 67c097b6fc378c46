// What the app-message send tests share beside the send fixture: a sample input over the fixture's
// members, a picture to upload, the app rows of the history, and the simulator's app messages.
#pragma once

#include <string>
#include <vector>

#include <QTemporaryDir>

#include "sim/smmsstate.h"
#include "smms/smmssend.h"
#include "tests/sms/sendfixture.h"

struct AppHistory {
    int code = 0;
    long long ml = 0;
    int count = 0;    // ss_smms_count
    int listRows = 0; // smslist rows with sl_sendtype 1
    int center = 0;   // ss_center
};

// `recipients` checked members of the fixture's store, a plain title and body, no picture.
SmmsSendInput SampleSmmsSend(int recipients);
SmmsSendResult SendSmms(SendFixture& f, const SmmsSendInput& input);
std::vector<AppHistory> AppHistoryOf(SendFixture& f);
std::vector<zmsg::sim::SmmsMessage> AppMessages(SendFixture& f);

// A small picture to upload, named as the module's uploads are, in a folder of its own.
class UploadPicture {
public:
    UploadPicture();
    bool ok() const { return m_ok; }
    const std::string& path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    std::string m_path;
    bool m_ok = false;
};
