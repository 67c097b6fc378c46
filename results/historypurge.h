// Keeps the local send history small: before each result receipt, the sends older than 100 days and
// those beyond the newest 100 go, at most 50 a run, recipients before their send.
#pragma once

#include <cstdint>

#include "frame/progresshooks.h"

class CSQLDirect;

// Returns the number of sends deleted. Failures are logged and shown and end the purge; what was
// deleted stays deleted. ssCode only chooses where the progress window sits.
int PurgeHistory(CSQLDirect& db, int32_t ssCode, const ProgressHooks& progress);
