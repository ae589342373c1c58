#include "MathLib.h"

#include "CellSource.h"

#include <SysUtils.h>

// ---------------------------------------------------------------------------
// TMathLib: the base claims nothing.

bool TMathLib::HandlesConstant(const QString&) { return false; }
double TMathLib::GetConstant(const QString&) { return 0.0; }
bool TMathLib::HandlesFunction(const QString&) { return false; }
bool TMathLib::HandlesStrFunction(const QString&) { return false; }

double TMathLib::CalcFunction(const QString&, const TParamList&, int& ErrType, int&)
{
    ErrType = 0;
    return 0.0;
}

QString TMathLib::CalcStrFunction(const QString&, const QStringList&, int& ErrType, int&)
{
    ErrType = 0;
    return QString();
}

QString TMathLib::GetEditHint(const QString&, int) { return QString(); }

QString TMathLib::GetErrorMessage(int) { return QStringLiteral("No error"); }

// ---------------------------------------------------------------------------
// TLibBinder

TLibBinderItem::~TLibBinderItem()
{
    if (FMathLib && FCollection)
        FMathLib->RemoveFreeWatcher(FCollection->Owner());
}

void TLibBinderItem::SetMathLib(TMathLib* Value)
{
    if (Value == FMathLib)
        return;
    TLibBinder* owner = FCollection ? FCollection->Owner() : nullptr;
    if (FMathLib && owner)
        FMathLib->RemoveFreeWatcher(owner);
    FMathLib = Value;
    if (FMathLib && owner)
        FMathLib->AddFreeWatcher(owner);
}

TLibBinderItem* TLibBinderItems::Add()
{
    FItems.push_back(std::unique_ptr<TLibBinderItem>(new TLibBinderItem(this)));
    return FItems.back().get();
}

void TLibBinderItems::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    FItems.erase(FItems.begin() + Index);
}

void TLibBinderItems::Clear() { FItems.clear(); }

void TLibBinderItems::Assign(const TLibBinderItems& Source)
{
    if (&Source == this)
        return;
    Clear();
    for (const auto& item : Source.FItems)
        Add()->Assign(*item);
}

TLibBinder::TLibBinder() : FLibs(this) {}

TLibBinder::~TLibBinder()
{
    // Items unregister from their libraries as they go.
    FLibs.Clear();
}

TLibBinderItem* TLibBinder::AddLib(TMathLib* lib)
{
    TLibBinderItem* item = FLibs.Add();
    item->SetMathLib(lib);
    return item;
}

void TLibBinder::FreeNotification(TFreeNotifier* dying)
{
    // Scan from the first item, looking at the same index again after a removal.
    for (int i = 0; i < FLibs.Count();) {
        TLibBinderItem* item = FLibs.Items(i);
        if (static_cast<TFreeNotifier*>(item->FMathLib) == dying) {
            item->FMathLib = nullptr;  // the library is going: no unregistering
            FLibs.Delete(i);
        } else {
            ++i;
        }
    }
}

// ---------------------------------------------------------------------------
// TGridBinder

TGridBinderItem::~TGridBinderItem()
{
    if (FGrid && FCollection)
        FGrid->RemoveFreeWatcher(FCollection->Owner());
}

void TGridBinderItem::SetGrid(TFreeNotifier* Value)
{
    if (Value == FGrid)
        return;
    TGridBinder* owner = FCollection ? FCollection->Owner() : nullptr;
    if (FGrid && owner)
        FGrid->RemoveFreeWatcher(owner);
    FGrid = Value;
    if (FGrid && owner)
        FGrid->AddFreeWatcher(owner);
}

ICellSource* TGridBinderItem::CellSource() const
{
    return dynamic_cast<ICellSource*>(FGrid);
}

void TGridBinderItem::Assign(const TGridBinderItem& Source)
{
    SetGrid(Source.FGrid);
    FName = Source.FName;
}

TGridBinderItem* TGridBinderItems::Add()
{
    FItems.push_back(std::unique_ptr<TGridBinderItem>(new TGridBinderItem(this)));
    return FItems.back().get();
}

void TGridBinderItems::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    FItems.erase(FItems.begin() + Index);
}

void TGridBinderItems::Clear() { FItems.clear(); }

void TGridBinderItems::Assign(const TGridBinderItems& Source)
{
    if (&Source == this)
        return;
    Clear();
    for (const auto& item : Source.FItems)
        Add()->Assign(*item);
}

ICellSource* TGridBinderItems::GridByName(QStringView Name) const
{
    for (const auto& item : FItems) {
        if (!item->FGrid || !SameText(item->FName, Name))
            continue;
        // The first item of that name decides; a component that cannot be
        // read as a grid is skipped.
        if (ICellSource* grid = item->CellSource())
            return grid;
    }
    return nullptr;
}

TGridBinder::TGridBinder() : FGrids(this) {}

TGridBinder::~TGridBinder()
{
    FDestroying = true;
    FGrids.Clear();
}

TGridBinderItem* TGridBinder::AddGrid(const QString& name, TFreeNotifier* grid)
{
    TGridBinderItem* item = FGrids.Add();
    item->SetName(name);
    item->SetGrid(grid);
    return item;
}

void TGridBinder::FreeNotification(TFreeNotifier* dying)
{
    if (FDestroying)
        return;
    // Scan from the last item down.
    for (int i = FGrids.Count() - 1; i >= 0; --i) {
        TGridBinderItem* item = FGrids.Items(i);
        if (item->FGrid == dying) {
            item->FGrid = nullptr;
            FGrids.Delete(i);
        }
    }
}
