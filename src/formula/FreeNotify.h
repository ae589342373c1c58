// Destruction notices between components that refer to each other without
// owning each other (libraries, binders, grids, evaluators).  A component that
// may be referred to derives from TFreeNotifier; whoever keeps a plain pointer
// to it registers an IFreeWatcher and drops the pointer when told.  Either side
// may be destroyed first: a watcher unregisters itself in its destructor.
#pragma once

#include <vector>

class TFreeNotifier;

class IFreeWatcher {
public:
    // `dying` is being destroyed: only its address may be used (compare and
    // forget), its virtual operations must not be called any more.
    virtual void FreeNotification(TFreeNotifier* dying) = 0;

protected:
    ~IFreeWatcher() = default;
};

class TFreeNotifier {
public:
    TFreeNotifier() = default;
    // Copies never inherit the watchers of the original.
    TFreeNotifier(const TFreeNotifier&) {}
    TFreeNotifier& operator=(const TFreeNotifier&) { return *this; }
    virtual ~TFreeNotifier();

    // Registrations are counted: a watcher added twice must be removed twice.
    void AddFreeWatcher(IFreeWatcher* watcher);
    void RemoveFreeWatcher(IFreeWatcher* watcher);

private:
    std::vector<IFreeWatcher*> FWatchers;
};
