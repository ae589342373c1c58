#include "CalcApp.h"

#include "FormatSettings.h"
#include "MiscMathLib.h"
#include "QelSprd.h"
#include "SysUtils.h"
#include "ZuvMathsLib.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <exception>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

bool gKeepSheet = false;
TQelSpreadGrid* gKeptSheet = nullptr;  // reachable until the process ends

// The spreadsheet grid with its comma-separated text at hand, for writing to
// standard output.
class TCalcSheet : public TQelSpreadGrid {
public:
    QByteArray CsvUtf8() { return BuildCsvUtf8(); }
    // Nothing of the file transfer is changed here.
    bool PlainCellTransfer() const override { return true; }
};

struct TOptions {
    bool Formulas = false;
    QString Format = QStringLiteral("%.2f");
    bool RC = false;
    std::vector<std::pair<QString, QString>> Sets;
    QStringList Gets;
    bool ErrorTextSet = false;
    QString ErrorText;
    bool Libs = false;
    QString OutFile;
    bool Stats = false;
    QString File;
    bool Help = false;
};

struct TUsageError {
    QString Message;
};

TOptions ParseArgs(const QStringList& args)
{
    TOptions o;
    auto value = [&](qsizetype& i) -> QString {
        if (i + 1 >= args.size())
            throw TUsageError{QStringLiteral("option %1 needs a value").arg(args[i])};
        return args[++i];
    };
    bool filesOnly = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!filesOnly && a == u"--") {
            filesOnly = true;
        } else if (!filesOnly && a == u"--formulas") {
            o.Formulas = true;
        } else if (!filesOnly && a == u"--format") {
            o.Format = value(i);
        } else if (!filesOnly && a == u"--rc") {
            o.RC = true;
        } else if (!filesOnly && a == u"--set") {
            const QString s = value(i);
            const qsizetype eq = s.indexOf(u'=');
            if (eq <= 0)
                throw TUsageError{QStringLiteral("--set needs REF=TEXT, got \"%1\"").arg(s)};
            o.Sets.emplace_back(s.left(eq), s.mid(eq + 1));
        } else if (!filesOnly && a == u"--get") {
            o.Gets.append(value(i));
        } else if (!filesOnly && a == u"--error-text") {
            o.ErrorTextSet = true;
            o.ErrorText = value(i);
        } else if (!filesOnly && a == u"--libs") {
            o.Libs = true;
        } else if (!filesOnly && a == u"-o") {
            o.OutFile = value(i);
        } else if (!filesOnly && a == u"--stats") {
            o.Stats = true;
        } else if (!filesOnly && (a == u"--help" || a == u"-h")) {
            o.Help = true;
            return o;
        } else if (!filesOnly && a.startsWith(u'-') && a.size() > 1) {
            throw TUsageError{QStringLiteral("unknown option %1").arg(a)};
        } else {
            if (!o.File.isEmpty())
                throw TUsageError{QStringLiteral("only one sheet can be calculated at a time")};
            o.File = a;
        }
    }
    if (o.File.isEmpty())
        throw TUsageError{QStringLiteral("no sheet given")};
    return o;
}

// A cell reference of the command line as a grid cell (fixed cells not
// allowed); false when the text names no cell.
bool ParseRef(const TQelSpreadGrid& g, const QString& ref, TGridCoord& cell)
{
    cell = g.NameToCell(ref.trimmed());
    if (cell.X < g.FixedCols() || cell.Y < g.FixedRows())
        return false;
    // Command-line references stay within a size a sheet can have.
    return cell.X < 1000000 && cell.Y < 100000000;
}

struct TErrorRecord {
    int Col, Row;
    QString Message;
};

}  // namespace

void ZelkCalcKeepSheetAtExit(bool keep) { gKeepSheet = keep; }

QByteArray ZelkCalcUsage()
{
    return QByteArrayLiteral(
        "usage: zelkcalc [options] FILE.csv\n"
        "  --formulas         write formulas instead of results\n"
        "  --format FMT       format of numeric results (default %.2f)\n"
        "  --rc               R1C1 notation\n"
        "  --set REF=TEXT     after loading, commit TEXT into REF (repeatable)\n"
        "  --get REF          print only that cell's shown text (repeatable)\n"
        "  --error-text TEXT  show cells in error as TEXT\n"
        "  --libs             bind the function libraries\n"
        "  -o FILE            write to FILE instead of standard output\n"
        "  --stats            timings and counts on standard error\n"
        "  -h, --help         this text\n");
}

int RunZelkCalc(const QStringList& args, QByteArray& out, QByteArray& err)
{
    TOptions o;
    try {
        o = ParseArgs(args);
    } catch (const TUsageError& e) {
        err += "zelkcalc: " + e.Message.toUtf8() + "\n" + ZelkCalcUsage();
        return 2;
    }
    if (o.Help) {
        out += ZelkCalcUsage();
        return 0;
    }

    try {
        TFormatSettingsGuard settingsGuard;
        FormatSettings().DecimalSeparator = u'.';
        FormatSettings().ThousandSeparator = u',';

        auto sheet = std::make_unique<TCalcSheet>();
        TCalcSheet& g = *sheet;
        g.SetColCount(2);
        g.SetRowCount(2);
        g.SetFixedCols(1);
        g.SetFixedRows(1);
        g.SetSaveFixedCells(false);
        g.SetDelimiter(u',');
        g.SetQuoteEmptyCells(false);
        g.SetCellFormat(o.Format);
        g.SetSaveFormula(o.Formulas);
        if (o.RC)
            g.SetCellNameMode(nmRC);
        if (o.ErrorTextSet) {
            g.SetErrorDisplay(edErrorText);
            g.SetErrorText(o.ErrorText);
        }

        TMiscMathLib misc;
        TFinanceMathLib finance;
        TZuvMathsLib maths;
        TStringMathLib strings;
        TLibBinder libs;
        if (o.Libs) {
            libs.AddLib(&misc);
            libs.AddLib(&finance);
            libs.AddLib(&maths);
            libs.AddLib(&strings);
            g.SetLibs(&libs);
        }

        // Errors by cell, in the order first seen; the last message counts.
        std::vector<TErrorRecord> errors;
        std::map<std::pair<int, int>, size_t> errorIndex;
        g.OnFormulaError = [&](TObject*, int c, int r, const QString& s) {
            const auto key = std::make_pair(c, r);
            const auto it = errorIndex.find(key);
            if (it == errorIndex.end()) {
                errorIndex.emplace(key, errors.size());
                errors.push_back({c, r, s});
            } else {
                errors[it->second].Message = s;
            }
        };

        QElapsedTimer timer;
        qint64 recalcStart = 0, recalcNs = 0;
        g.OnBeforeRecalc = [&](TObject*) { recalcStart = timer.nsecsElapsed(); };
        g.OnAfterRecalc = [&](TObject*) { recalcNs += timer.nsecsElapsed() - recalcStart; };

        if (!QFileInfo(o.File).isFile()) {
            err += "zelkcalc: cannot read " + o.File.toUtf8() + ": no such file\n";
            return 2;
        }
        timer.start();
        try {
            g.LoadFromCSV(o.File);
        } catch (const Exception& e) {
            err += "zelkcalc: cannot read " + o.File.toUtf8() + ": " + e.Message().toUtf8() + "\n";
            return 2;
        }
        const qint64 loadNs = timer.nsecsElapsed() - recalcNs;

        const qint64 setStart = timer.nsecsElapsed();
        for (const auto& [ref, text] : o.Sets) {
            TGridCoord c;
            if (!ParseRef(g, ref, c)) {
                err += "zelkcalc: --set: \"" + ref.toUtf8() + "\" is no cell reference\n";
                return 2;
            }
            if (c.X >= g.ColCount())
                g.SetColCount(c.X + 1);
            if (c.Y >= g.RowCount())
                g.SetRowCount(c.Y + 1);
            g.WriteCellText(c.X, c.Y, text);
            g.DoCellEdited(c.X, c.Y);
        }
        const qint64 setNs = timer.nsecsElapsed() - setStart;

        const qint64 saveStart = timer.nsecsElapsed();
        QByteArray result;
        if (!o.Gets.isEmpty()) {
            for (const QString& ref : o.Gets) {
                TGridCoord c;
                if (!ParseRef(g, ref, c)) {
                    err += "zelkcalc: --get: \"" + ref.toUtf8() + "\" is no cell reference\n";
                    return 2;
                }
                QString shown;
                if (c.X < g.ColCount() && c.Y < g.RowCount())
                    shown = g.GetShownText(c.X, c.Y);
                result += shown.toUtf8() + "\n";
            }
        } else if (o.OutFile.isEmpty()) {
            result = g.CsvUtf8();
        }
        if (!o.OutFile.isEmpty()) {
            try {
                if (o.Gets.isEmpty()) {
                    g.SaveToCSV(o.OutFile);
                } else {
                    QFile f(o.OutFile);
                    if (!f.open(QIODevice::WriteOnly) || f.write(result) != result.size())
                        throw Exception(f.errorString());
                }
            } catch (const Exception& e) {
                err += "zelkcalc: cannot write " + o.OutFile.toUtf8() + ": " + e.Message().toUtf8() + "\n";
                return 2;
            }
        } else {
            out += result;
        }
        const qint64 saveNs = timer.nsecsElapsed() - saveStart;

        // Cells still in error after every edit, each once.
        for (const TErrorRecord& e : errors)
            if (g.GetCalcState(e.Col, e.Row) == 2)
                err += (g.CellToName(e.Col, e.Row) + ": " + e.Message).toUtf8() + "\n";

        if (o.Stats) {
            int64_t cells = 0;
            for (int r = g.FixedRows(); r < g.RowCount(); ++r)
                for (int c = g.FixedCols(); c < g.ColCount(); ++c)
                    cells += !g.Cells(c, r).isEmpty();
            auto ms = [](qint64 ns) { return QByteArray::number(double(ns) / 1e6, 'f', 1); };
            err += "load: " + ms(loadNs) + " ms\n";
            err += "recalc: " + ms(recalcNs) + " ms\n";
            if (!o.Sets.empty())
                err += "edits: " + ms(setNs) + " ms\n";
            err += "save: " + ms(saveNs) + " ms\n";
            err += "cells: " + QByteArray::number(cells) + "\n";
            err += "formulas: " + QByteArray::number(g.DependencyIndex().FormulaCount()) + "\n";
            err += "evaluations: " + QByteArray::number(g.EvaluationCount()) + "\n";
        }
        g.SetLibs(nullptr);
        if (gKeepSheet) {
            // Taking a big sheet apart costs as much as a good part of its
            // load; a program about to end leaves that to the system.
            g.OnFormulaError = nullptr;
            g.OnBeforeRecalc = nullptr;
            g.OnAfterRecalc = nullptr;
            gKeptSheet = sheet.release();
        }
        return 0;
    } catch (const Exception& e) {
        err += "zelkcalc: " + e.Message().toUtf8() + "\n";
        return 2;
    } catch (const std::exception& e) {
        err += QByteArray("zelkcalc: ") + e.what() + "\n";
        return 2;
    } catch (...) {
        err += "zelkcalc: unexpected failure\n";
        return 2;
    }
}
