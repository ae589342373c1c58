// Helper objects of the grid component: hidden-row records, the change
// notifier interface and the setting objects the grid groups its options in.
#pragma once

#include "Types.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class TQelStringGrid;
class TCellProperties;

// A row taken out of the store while it is hidden: its real index and its
// slots.  The record owns the property objects it carries.
class TGridItem {
public:
    TGridItem() = default;
    ~TGridItem();
    TGridItem(const TGridItem&) = delete;
    TGridItem& operator=(const TGridItem&) = delete;

    int32_t FIdx = 0;
    QStringList FTexts;
    // Same length as FTexts or shorter; entries may be null.
    std::vector<TObject*> FObjects;

    // The saved text of a column; grows the list with empty texts when the column
    // lies beyond it.
    QString& Text(int col);
};

// Told about every NotifyCellsChanged of the grids it is registered with.
class TGridChangeNotifier {
public:
    virtual ~TGridChangeNotifier() = default;
    virtual void CellsChanged(TQelStringGrid* Grid, const TGridRect& R) = 0;
};

// Group header display settings.
class TGrouping {
public:
    bool ShowGroupCount() const { return FShowGroupCount; }
    void SetShowGroupCount(bool value) { FShowGroupCount = value; }
    const QString& GroupCountFormat() const { return FGroupCountFormat; }
    void SetGroupCountFormat(const QString& value) { FGroupCountFormat = value; }

private:
    bool FShowGroupCount = false;
    QString FGroupCountFormat;
};

// Mouse behaviour settings (only those the cell store and display read so far).
class TMouseActions {
public:
    bool HotmailRowSelect() const { return FHotmailRowSelect; }
    void SetHotmailRowSelect(bool value) { FHotmailRowSelect = value; }

private:
    bool FHotmailRowSelect = false;
};
