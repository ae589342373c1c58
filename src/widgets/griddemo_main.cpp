// griddemo: a 50 x 1000 string grid in a window, with editing switched on.
#include "GridWidget.h"
#include "Grids.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    TStringGrid grid;
    grid.SetColCount(50);
    grid.SetRowCount(1000);
    grid.SetFixedCols(1);
    grid.SetFixedRows(1);
    grid.SetOptions(grid.Options() + goEditing + goColSizing + goRowSizing + goThumbTracking);
    grid.SetFixedColor(clBtnFace);
    grid.BeginUpdate();
    for (int col = 1; col < grid.ColCount(); ++col) {
        // Column headers A .. Z, AA .. AX.
        QString name;
        for (int n = col; n > 0; n = (n - 1) / 26) name.prepend(QChar(u'A' + (n - 1) % 26));
        grid.SetCells(col, 0, name);
    }
    for (int row = 1; row < grid.RowCount(); ++row) {
        grid.SetCells(0, row, QString::number(row));
        for (int col = 1; col < grid.ColCount(); ++col)
            grid.SetCells(col, row, QStringLiteral("R%1C%2").arg(row).arg(col));
    }
    grid.EndUpdate();

    TGridWidget widget(&grid);
    widget.setWindowTitle(QStringLiteral("griddemo"));
    widget.resize(900, 600);
    widget.show();
    const int rc = app.exec();
    widget.SetGrid(nullptr);
    return rc;
}
