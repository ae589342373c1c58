// Small helpers for the spreadsheet grid tests: a sheet laid out like the
// workbench's main sheet (one fixed row, one fixed column), loading from text,
// edits committed as the editor commits them, and cell access by name.
#pragma once

#include "QelSprd.h"

#include <QBuffer>
#include <QString>

#include <utility>
#include <vector>

struct TErrorLog {
    struct TItem {
        int Col, Row, Type;
        QString Message;
    };
    std::vector<TItem> Items;

    void Attach(TQelSpreadGrid& g)
    {
        g.OnFormulaErrorInfo = [this](TObject*, int c, int r, int type, int, int, const QString& s) {
            Items.push_back({c, r, type, s});
        };
    }
    int Count(int type) const
    {
        int n = 0;
        for (const TItem& i : Items)
            n += i.Type == type;
        return n;
    }
    bool Has(int col, int row, int type) const
    {
        for (const TItem& i : Items)
            if (i.Col == col && i.Row == row && i.Type == type)
                return true;
        return false;
    }
};

inline void SetupSheet(TQelSpreadGrid& g, int cols = 12, int rows = 12)
{
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetFixedCols(1);
    g.SetFixedRows(1);
    g.SetSaveFixedCells(false);
    g.SetDelimiter(u',');
}

// Loads comma-separated text into the sheet (the file-load path: ends with
// AfterFileLoad, hence Recalc).
inline void LoadText(TQelSpreadGrid& g, const QString& csv)
{
    QByteArray bytes = csv.toUtf8();
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    g.LoadFromCSVStream(buf);
}

inline TGridCoord At(const TQelSpreadGrid& g, const QString& name)
{
    return g.NameToCell(name);
}

// Commits a text into a cell as the in-place editor does.
inline void Edit(TQelSpreadGrid& g, const QString& name, const QString& text)
{
    const TGridCoord c = At(g, name);
    g.WriteCellText(c.X, c.Y, text);
    g.DoCellEdited(c.X, c.Y);
}

inline QString Shown(TQelSpreadGrid& g, const QString& name)
{
    const TGridCoord c = At(g, name);
    return g.GetDisplText(c.X, c.Y);
}

inline double Value(TQelSpreadGrid& g, const QString& name)
{
    const TGridCoord c = At(g, name);
    return g.GetCalcValue(c.X, c.Y).Number;
}

inline int State(TQelSpreadGrid& g, const QString& name)
{
    const TGridCoord c = At(g, name);
    return g.GetCalcState(c.X, c.Y);
}
