// Where the module keeps what must outlive the process and be met by every process of the store on this
// machine: the journal of unsettled sends and the receipt locks beside it.
#pragma once

#include <string>

namespace zmsg {

// The host folder when it can be written (every host program run from it meets there, whoever started
// it); otherwise the user's state folder, $XDG_STATE_HOME/zmsg or ~/.local/state/zmsg, made private to
// the user. Ends with '/'. Empty when neither can be written: the caller must then refuse what needs it.
std::string StateFolder();

// True when a file can be created in the folder (tried, not guessed from the mode bits: root ignores
// them, a read-only mount does not).
bool IsWritableFolder(const std::string& folder);

} // namespace zmsg
