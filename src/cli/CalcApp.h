// The logic of zelkcalc, the headless calculator: load a comma-separated sheet
// into a spreadsheet grid laid out like the workbench's main sheet,
// recalculate, apply edits, and write the sheet (results or formulas) or
// single cells.
//
//   zelkcalc [options] FILE.csv
//     --formulas         write formulas instead of results
//     --format FMT       format of numeric results (default "%.2f")
//     --rc               R1C1 notation (also for --set and --get)
//     --set REF=TEXT     after loading, commit TEXT into REF as an edit (repeatable)
//     --get REF          print only that cell's shown text (repeatable)
//     --error-text TEXT  show cells in error as TEXT instead of their formula
//     --libs             bind the function libraries (misc, finance, maths, string)
//     -o FILE            write to FILE instead of standard output
//     --stats            timings and counts on standard error
//
// Every formula error is reported on standard error as "CELL: message", once
// per cell in error.  Exit status 0 on success, 2 on bad usage or an
// unreadable or unwritable file.
#pragma once

#include <QByteArray>
#include <QStringList>

// Runs the calculator with the arguments that follow the program name.
// `out` receives what goes to standard output, `err` what goes to standard
// error (UTF-8).  Never throws.
int RunZelkCalc(const QStringList& args, QByteArray& out, QByteArray& err);

// With keep set, a successful run leaves its sheet allocated instead of
// taking it apart (for the program itself, which ends right after).
void ZelkCalcKeepSheetAtExit(bool keep);

// The usage text.
QByteArray ZelkCalcUsage();
