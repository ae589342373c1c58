// TQelStringGrid: typed cell access and cell graphics.
#include "QelGrid.h"

#include "SysUtils.h"


namespace {

const QString& IntegerError()
{
    static const QString text = QStringLiteral("Cell does not contain integer value");
    return text;
}

const QString& FloatError()
{
    static const QString text = QStringLiteral("Cell does not contain a float value");
    return text;
}

}  // namespace

int TQelStringGrid::GetCellAsInteger(int col, int row)
{
    int value = 0;
    if (!TryCellTextToInteger(ReadCellText(col, row), value))
        throw EQelGridError(IntegerError());
    return value;
}

void TQelStringGrid::SetCellAsInteger(int col, int row, int value)
{
    WriteCellText(col, row, QString::number(value));
    if (FNumHidden > 0)
        InvalidateCell(DisplColIndex(col), row);
}

double TQelStringGrid::GetCellAsFloat(int col, int row)
{
    double value = 0.0;
    if (!TryCellTextToFloat(ReadCellText(col, row), value))
        throw EQelGridError(FloatError());
    return value;
}

void TQelStringGrid::SetCellAsFloat(int col, int row, double value)
{
    // A format from outside that does not take one float writes the plain value.
    QString text;
    if (!TryFormat(text, FloatFormat(), {value}))
        text = FloatToStr(value);
    WriteCellText(col, row, text);
}

void TQelStringGrid::SetCellAsDate(int col, int row, TDateTime value)
{
    if (value > 0 || FShowNullDates)
        WriteCellText(col, row, DateToStr(value));
    else
        WriteCellText(col, row, QString());
}

double TQelStringGrid::CellToReal(int ACol, int ARow)
{
    const QString text = ReadCellText(ACol, ARow);
    if (text.isEmpty())
        return 0.0;
    double value = 0.0;
    if (const int pos = ValFloat(CleanNumberText(text), value); pos != 0)
        throw EQelGridError(QStringLiteral("Error at position: %1 in Cell [%2, %3].")
                                .arg(pos)
                                .arg(ACol)
                                .arg(ARow));
    return value;
}

QString TQelStringGrid::ReadRealCellText(int col, int realRow)
{
    if (col < 0 || realRow < 0)
        return QString();
    if (TGridItem* item = HiddenRowItem(realRow)) {
        QString value = item->Text(col);
        if (IsWideText(value))
            value = DecodeWideText(value);
        DoGetDisplText(col, realRow, value);
        return value;
    }
    return ReadCellText(col, DisplRowIndex(realRow));
}

double TQelStringGrid::GetRealCellAsFloat(int col, int realRow)
{
    double value = 0.0;
    if (!TryCellTextToFloat(ReadRealCellText(col, realRow), value))
        throw EQelGridError(FloatError());
    return value;
}

bool TQelStringGrid::RemoveCellGraphic(int col, int row)
{
    if (!HasCellProperties(col, row))
        return false;
    auto* props = dynamic_cast<TCellProperties*>(Objects(col, row));
    auto* graphic = props ? dynamic_cast<TCellGraphic*>(props->FGraphicObject) : nullptr;
    if (!graphic)
        return false;
    props->FGraphicObject = nullptr;
    if (!graphic->IsShared())
        delete graphic;
    if (!FDestroying)
        InvalidateCell(col, row);
    return true;
}
