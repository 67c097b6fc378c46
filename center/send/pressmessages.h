// How a send press (an SMS send, an app-message send, a coupon issue) tells the clerk its outcome:
// a refusal (a check failed, nothing went out), a failure (logged and shown), a report (shown in the
// success colour). Every text is kept, in order, in the press's result for the window. The step's
// progress text is hidden first: the clerk would take the step for still running.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "frame/progresshooks.h"

void ShowPressRefusal(std::vector<std::string>& shown, const ProgressHooks& progress,
                      const std::string& text);
void ShowPressFailure(std::vector<std::string>& shown, const ProgressHooks& progress,
                      const std::string& text);
// beforeShown runs once the progress text is gone, right before the report: the window updates
// what it shows behind the report.
void ShowPressReport(std::vector<std::string>& shown, const ProgressHooks& progress, const std::string& text,
                     const std::function<void()>& beforeShown = {});
