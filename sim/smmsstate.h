// The simulated center's app messages ("AlderS" messages, free of charge) and their image uploads.
// Part of CenterState: same stores, clock, lock, batch rules and ledger; faults and the request log
// come from the server as for every verb.
//
// /SMMS/AppRequest.ashx (UTF-8 replies "<code>:<rest>", as every center request)
//   SMMSBEGIN   mart emp ename tt msg mt cb url pop call ss
//                                    1:<ML>, a 64-bit message-list code (handed out above 2^32, so a
//                                    client that keeps it in 32 bits is caught); tt and msg must not be
//                                    empty, cb 1 to 20 digits, call >= 0, pop empty or "YYYY-MM-DD HH:MM"
//   SMMSTRAN    mart ml seq tran     1:<OK> = elements recorded; "}{phone|name|points}{..."; a seq sent
//                                    again replaces its earlier batch (never counted twice); refused
//                                    once the message is completed or beyond the begin's call count
//   SMMSEND     mart ml alluser m2date
//                                    1:<CALL_SENT><ALL_USER>: completes the message once. alluser=1
//                                    adds the store's regular app members the store did not list and
//                                    needs m2date >= 0. An end repeated answers as the first did (or,
//                                    with SetRefuseRepeatedEnd, "0:이미 완료된 전송입니다.(ml=..)") and
//                                    never completes again
//   SMMSRESULT  mart ml              1:phone:result#... per listed recipient with a 9 to 14 digit
//                                    phone, in the order listed (1 delivered, 2 failed: the same rule
//                                    as SMS results), once the result delay after the end has passed;
//                                    handed out every time (there is no confirmation)
// /SMMS/UploadImage.ashx            multipart (uploadlayout.h): file field "uploadedfile", text field
//                                    "extinfo" = "ML#@#box#@#image". With a file: 1:<FILE><SIZE>, the
//                                    file becomes the message's picture. Without: box and image must
//                                    both be positive (a picture of the store's image box):
//                                    1:<BOX><IMG>. Refused for a message unknown or completed.
//                                    Every upload is kept, accepted or not.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sim/centerstate.h"

namespace zmsg::sim {

struct SmmsMessage : Transfer {
    // As the begin request carried them (URL-decoded UTF-8; "<" and ">" arrive as "_lt;_", "_gt;_").
    std::string title;
    std::string body;
    std::string pop;
    // The picture: a file uploaded, or an image box's picture.
    std::string imageName;
    std::string imageBytes;
    int imageBox = 0;
    int imageNumber = 0;
    int pictures = 0;    // uploads accepted for this message; a client that sends one twice shows here
    int completions = 0; // times the center completed it: 0 or 1, whatever the client repeats
    int endRequests = 0; // SMMSEND requests answered for it
    int m2date = -1;     // the end's period of mobile activity for the all-members option
};

struct SmmsUpload {
    int index = 0;       // from 1, in arrival order
    long long ml = 0;    // from extinfo; 0 when unreadable
    std::string extinfo; // as received
    bool hasFile = false;
    std::string fileName;
    size_t size = 0;
    std::string sha256; // of the file's bytes, lowercase hex; empty without a file
    int box = 0;
    int image = 0;
    bool accepted = false;
    std::string reply; // what the center answered (before any fault)
};

class SmmsState {
public:
    explicit SmmsState(CenterState& center);

    std::optional<SmmsMessage> Message(long long ml) const;
    // The store's app messages, oldest first.
    std::vector<SmmsMessage> MessagesOf(int mart) const;
    std::vector<SmmsUpload> Uploads() const;
    // Listed recipients of a message with how often each phone was listed, in first-listed order.
    static std::vector<std::pair<std::string, int>> ListedPhones(const SmmsMessage& message);

    // The lowercase hex SHA-256 the uploads are kept under.
    static std::string Sha256Hex(const std::string& bytes);

private:
    // Called by CenterState with its lock held.
    friend class CenterState;
    std::optional<std::string> HandleLocked(const std::string& work, const FormFields& f);
    std::string UploadLocked(const UploadParts& parts);
    void ResetLocked();
    void SetNextMessageListCodeLocked(long long code);
    void MessagesJsonLocked(std::string& out) const;
    void UploadsJsonLocked(std::string& out) const;

    std::string Begin(const FormFields& f);
    std::string End(const FormFields& f);
    std::string Result(const FormFields& f);
    SmmsMessage* Find(const FormFields& f);

    // The first ML handed out: above 2^32.
    static constexpr long long kFirstMl = 4300000001LL;

    CenterState& m_center;
    std::map<long long, SmmsMessage> m_messages;
    std::vector<SmmsUpload> m_uploads;
    long long m_nextMl = kFirstMl;
};

} // namespace zmsg::sim
