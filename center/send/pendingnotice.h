// What a send window shows while a send of its kind waits to be settled: its own, else the one the
// journal holds from an earlier window or program, which the window's next press settles first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "center/send/sendstate.h"

// own: the window's own unsettled send of that kind. shown: which of the journal's the window names
// (all when empty).
std::optional<PendingSend> PendingForWindow(const std::optional<PendingSend>& own, SendKind kind,
                                            const std::function<bool(const PendingSend&)>& shown = {});

// The notices of the sends present (PendingSendNotice), one after the other; CP949, empty for none.
std::string PendingNotices(const std::vector<std::optional<PendingSend>>& sends);
