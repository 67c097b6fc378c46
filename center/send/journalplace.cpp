#include "center/send/journalplace.h"

#include "center/send/sendstate.h"
#include "frame/datafolder.h"
#include "frame/log.h"
#include "text/codec.h"

namespace {

constexpr const char* kJournalName = "ZMSGSEND.dat";

} // namespace

JournalPlace FindJournal() {
    JournalPlace place;
    const std::string folder = zmsg::DataFolder();
    if (folder.empty())
        return place;
    const std::string here = folder + kJournalName;
    for (const std::string& other : zmsg::DataFolderCandidates()) {
        if (other == folder)
            continue;
        const std::string left = other + kJournalName;
        if (!SendState::Exists(left) || (zmsg::IsWritableFolder(other) && SendState::Move(left, here)))
            continue;
        WriteLog(zmsg::K("전송상태 파일을 데이터 폴더로 옮길 수 없어 전송하지 않습니다(폴더 쓰기 불가): ") +
                     left,
                 1);
        place.stranded = left;
        return place;
    }
    place.path = here;
    return place;
}

std::string SendStatePath() {
    return FindJournal().path;
}
