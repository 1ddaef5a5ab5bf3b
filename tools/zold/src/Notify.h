#pragma once

// The service manager hears of readiness, reloads and the stop through sd_notify; without
// $NOTIFY_SOCKET (started by hand, in tests) these do nothing.

namespace zold {

void NotifyReady();
// Also says when the reload began, as the manager asks of a reload.
void NotifyReloading();
void NotifyStopping();
void NotifyStatus(const char* text);

} // namespace zold
