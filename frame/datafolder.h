// Where the module writes everything but the store database: the daily log, the drafts, the journal of
// unsettled sends and its lock, the receipt locks and the per-window upload files. One folder, so that
// every process of the store on this machine that chooses it meets the others' journal and locks there.
#pragma once

#include <string>
#include <vector>

namespace zmsg {

// The folder the settings name ([ZMSG] DataDir in ZMSG.ini) as written, with a trailing '/'; empty when
// the setting is missing or blank.
std::string ConfiguredDataFolder();

// The data folder, ending with '/':
// - the configured folder when the settings name one (made, private, when missing). Nothing else then,
//   even when it cannot be written: the accounts that are to share it must not drift into folders of
//   their own, each with its own journal and its own locks;
// - otherwise the host folder when it can be written (every host program run from it meets there,
//   whoever started it, and an existing installation keeps its files where they are);
// - otherwise the user's state folder (UserStateFolder).
// Empty when that folder cannot be used: the caller must then refuse what needs it.
std::string DataFolder();

// $XDG_STATE_HOME/zmsg or ~/.local/state/zmsg, made private to the user when missing. Empty when it
// cannot be made, belongs to someone else, or cannot be written.
std::string UserStateFolder();

// Every folder the module may have written in for this process: the configured one, the host folder,
// the user's state folder, as far as they exist; each once, ending with '/'.
std::vector<std::string> DataFolderCandidates();

// Whether the path lies in the configured folder: that one is shared by the accounts of a till on
// purpose, so what the module makes there is opened to the folder's group.
bool InSharedDataFolder(const std::string& path);
// When the path lies in the configured folder, gives the open file (when it is this user's) read and
// write for its group, whatever the umask.
void OpenToFolderGroup(int fd, const std::string& path);

// The file of that name in the data folder. A newer copy left in another candidate folder is brought
// here first (moved; copied when its folder cannot be written), so a draft follows the folder when it
// changes. Empty without a data folder.
std::string DataFile(const std::string& name);

// True when a file can be created in the folder (tried, not guessed from the mode bits: root ignores
// them, a read-only mount does not).
bool IsWritableFolder(const std::string& folder);

// Logs one line naming the data folder and why it was chosen, or why there is none.
void LogDataFolder();

} // namespace zmsg
