// Where the journal of unsettled sends is kept: "ZMSGSEND.dat" in the data folder (frame/datafolder.h),
// and what becomes of a journal an earlier run left in another of the places the module may have
// written to (the folder the settings name, the host folder, the user's state folder).
//
// A journal holds ends whose outcome is unknown and sends the history still lacks: it must never be
// lost, and no entry may be settled twice from two copies. So a journal left elsewhere is moved into
// the data folder whenever the journal is looked for: its entries merged into the one there under both
// files' locks, then the old file removed. It is never copied. A journal this process cannot remove
// (a host folder it cannot write, holding what an account that can write it left there) is not copied
// either: this process could not settle it, and a send begun beside it could reach the same members
// twice. Nothing is sent until that folder can be written again, or until the settings name the folder
// both accounts use; its unresolved send is still shown (UnresolvedInJournal).
//
// Processes that choose different data folders (an account that cannot write the host folder, a
// process without the setting another one has) keep different journals. Each settles its own; a send
// settled by both would find its history already written and the center answering a repeated end as
// it answered the first. A till whose accounts all send and receive names one folder in the settings.
#pragma once

#include <string>

struct JournalPlace {
    std::string path;     // the journal this process keeps; empty when it may keep none (no end may
                          // then be posted)
    std::string stranded; // a journal left where this process can neither write nor remove it
};

JournalPlace FindJournal();

// FindJournal().path.
std::string SendStatePath();
