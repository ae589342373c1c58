// Function libraries, their binder, the grid binder and the number list that
// library functions receive.
//
// Libraries, binders and grids refer to each other by plain pointers and own
// nothing of each other; every such pointer is dropped when the other side is
// destroyed, whichever goes first (FreeNotify.h).
#pragma once

#include "FreeNotify.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>
#include <vector>

class ICellSource;

// One value of a TParamList.
struct TDoubleItem {
    double FValue = 0.0;
};

// The numbers a library function receives, in argument order; every cell of a
// range argument contributes one value.
class TParamList {
public:
    void Add(double Item) { FItems.push_back(TDoubleItem{Item}); }
    // 0-based; an index outside the list reads as 0.
    double Values(int Index) const
    {
        return Index >= 0 && Index < Count() ? FItems[static_cast<size_t>(Index)].FValue : 0.0;
    }
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<TDoubleItem> FItems;
};

// Base of the pluggable function libraries.  Names arrive in upper case.  The
// base claims nothing.
//
// CalcFunction / CalcStrFunction set ErrType to 0 on success, otherwise to an
// error code: 1..17 are the formula error codes (FormulaErrors.h), codes above
// 100 the library's own, whose text GetErrorMessage gives.  ErrParam is the
// 0-based index of the offending parameter.
class TMathLib : public TFreeNotifier {
public:
    TMathLib() = default;
    ~TMathLib() override = default;

    virtual bool HandlesConstant(const QString& Constant);
    virtual double GetConstant(const QString& Constant);
    virtual bool HandlesFunction(const QString& FuncName);
    virtual bool HandlesStrFunction(const QString& FuncName);
    virtual double CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                                int& ErrParam);
    virtual QString CalcStrFunction(const QString& FuncName, const QStringList& Params,
                                    int& ErrType, int& ErrParam);
    // The parameter hint shown while a call is typed (grid hint mark-up), or empty.
    virtual QString GetEditHint(const QString& FuncName, int ParamIndex);
    // The text of one of the library's own error codes (above 100); the base
    // answers "No error" for every code.
    virtual QString GetErrorMessage(int ErrType);
};

class TLibBinder;
class TLibBinderItems;

class TLibBinderItem {
public:
    TMathLib* MathLib() const { return FMathLib; }
    void SetMathLib(TMathLib* Value);
    // Copies the source's library reference.
    void Assign(const TLibBinderItem& Source) { SetMathLib(Source.FMathLib); }
    TLibBinderItems* Collection() const { return FCollection; }
    ~TLibBinderItem();

private:
    friend class TLibBinderItems;
    friend class TLibBinder;
    explicit TLibBinderItem(TLibBinderItems* collection) : FCollection(collection) {}
    TLibBinderItem(const TLibBinderItem&) = delete;
    TLibBinderItem& operator=(const TLibBinderItem&) = delete;

    TLibBinderItems* FCollection;
    TMathLib* FMathLib = nullptr;
};

class TLibBinderItems {
public:
    TLibBinder* Owner() const { return FOwner; }
    TLibBinderItem* Add();
    int Count() const { return static_cast<int>(FItems.size()); }
    TLibBinderItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
    void Delete(int Index);
    void Clear();
    // Item by item copy of the library references.
    void Assign(const TLibBinderItems& Source);

private:
    friend class TLibBinder;
    explicit TLibBinderItems(TLibBinder* owner) : FOwner(owner) {}
    TLibBinderItems(const TLibBinderItems&) = delete;
    TLibBinderItems& operator=(const TLibBinderItems&) = delete;

    TLibBinder* FOwner;
    std::vector<std::unique_ptr<TLibBinderItem>> FItems;
};

// An ordered list of libraries; the evaluator asks them in this order.  When a
// listed library is destroyed, every item that refers to it is removed.
class TLibBinder : public TFreeNotifier, private IFreeWatcher {
public:
    TLibBinder();
    ~TLibBinder() override;
    TLibBinder(const TLibBinder&) = delete;
    TLibBinder& operator=(const TLibBinder&) = delete;

    TLibBinderItems& Libs() { return FLibs; }
    const TLibBinderItems& Libs() const { return FLibs; }
    void SetLibs(const TLibBinderItems& Value) { FLibs.Assign(Value); }

    // Convenience: appends an item for `lib`.
    TLibBinderItem* AddLib(TMathLib* lib);

private:
    friend class TLibBinderItem;
    void FreeNotification(TFreeNotifier* dying) override;

    TLibBinderItems FLibs;
};

class TGridBinder;
class TGridBinderItems;

// A grid under a name.  Any component may be stored as the grid; only one that
// implements ICellSource can be reached by formulas (CellSource()).
class TGridBinderItem {
public:
    TFreeNotifier* Grid() const { return FGrid; }
    void SetGrid(TFreeNotifier* Value);
    // The grid as formulas read it, or nullptr when it is not set or does not
    // implement ICellSource.
    ICellSource* CellSource() const;
    const QString& Name() const { return FName; }
    void SetName(const QString& Value) { FName = Value; }
    // Copies the source's grid reference and name.
    void Assign(const TGridBinderItem& Source);
    TGridBinderItems* Collection() const { return FCollection; }
    ~TGridBinderItem();

private:
    friend class TGridBinderItems;
    friend class TGridBinder;
    explicit TGridBinderItem(TGridBinderItems* collection) : FCollection(collection) {}
    TGridBinderItem(const TGridBinderItem&) = delete;
    TGridBinderItem& operator=(const TGridBinderItem&) = delete;

    TGridBinderItems* FCollection;
    TFreeNotifier* FGrid = nullptr;
    QString FName;
};

class TGridBinderItems {
public:
    TGridBinder* Owner() const { return FOwner; }
    TGridBinderItem* Add();
    int Count() const { return static_cast<int>(FItems.size()); }
    TGridBinderItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
    void Delete(int Index);
    void Clear();
    void Assign(const TGridBinderItems& Source);
    // The first item whose Name equals `Name` ignoring ASCII letter case and
    // whose grid implements ICellSource; nullptr when none.
    ICellSource* GridByName(QStringView Name) const;

private:
    friend class TGridBinder;
    explicit TGridBinderItems(TGridBinder* owner) : FOwner(owner) {}
    TGridBinderItems(const TGridBinderItems&) = delete;
    TGridBinderItems& operator=(const TGridBinderItems&) = delete;

    TGridBinder* FOwner;
    std::vector<std::unique_ptr<TGridBinderItem>> FItems;
};

// Grids under names, for references such as Sheet2!A1.  When a listed grid is
// destroyed, every item that refers to it is removed.
class TGridBinder : public TFreeNotifier, private IFreeWatcher {
public:
    TGridBinder();
    ~TGridBinder() override;
    TGridBinder(const TGridBinder&) = delete;
    TGridBinder& operator=(const TGridBinder&) = delete;

    TGridBinderItems& Grids() { return FGrids; }
    const TGridBinderItems& Grids() const { return FGrids; }
    void SetGrids(const TGridBinderItems& Value) { FGrids.Assign(Value); }

    ICellSource* GridByName(QStringView Name) const { return FGrids.GridByName(Name); }
    // Convenience: appends an item for `grid` under `name`.
    TGridBinderItem* AddGrid(const QString& name, TFreeNotifier* grid);

private:
    friend class TGridBinderItem;
    void FreeNotification(TFreeNotifier* dying) override;

    TGridBinderItems FGrids;
    bool FDestroying = false;
};
