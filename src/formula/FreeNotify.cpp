#include "FreeNotify.h"

#include <algorithm>
#include <utility>

TFreeNotifier::~TFreeNotifier()
{
    // Watchers may unregister (or register elsewhere) while being told, so
    // the list is taken over first; a watcher that was added twice hears it twice.
    std::vector<IFreeWatcher*> watchers = std::move(FWatchers);
    FWatchers.clear();
    for (IFreeWatcher* w : watchers)
        w->FreeNotification(this);
}

void TFreeNotifier::AddFreeWatcher(IFreeWatcher* watcher)
{
    if (watcher)
        FWatchers.push_back(watcher);
}

void TFreeNotifier::RemoveFreeWatcher(IFreeWatcher* watcher)
{
    auto it = std::find(FWatchers.begin(), FWatchers.end(), watcher);
    if (it != FWatchers.end())
        FWatchers.erase(it);
}
