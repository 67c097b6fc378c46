// What zmsg-host tells a person: the short usage on wrong use, the full help on --help.
#pragma once

// Every command on one line each, for stderr after a mistake.
extern const char kHostUsage[];
// Every command and option explained, the exit status and where the module reads and writes.
extern const char kHostHelp[];
