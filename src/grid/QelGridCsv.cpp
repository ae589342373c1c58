// TQelStringGrid: comma-separated files.  The cell rules live in TCsvTokenizer
// (reading) and TCsvWriter (writing); this file decides which cells take part
// (the save area, hidden columns), turns bytes into text and back, and feeds
// the grid.
#include "QelGrid.h"

#include "CodePages.h"
#include "CsvTokenizer.h"
#include "CsvWriter.h"
#include "SysUtils.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <utility>
#include <QSaveFile>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

namespace {

// Save and load area of a grid: first and last column and row.
struct TCsvArea {
    int FirstCol, LastCol, FirstRow, LastRow;
};

TCsvArea CsvArea(const TQelStringGrid& g)
{
    TCsvArea a{};
    const bool allCols = g.SaveFixedCells() || g.SaveFixedCols();
    const bool allRows = g.SaveFixedCells() || g.SaveFixedRows();
    a.FirstCol = allCols ? 0 : g.FixedCols();
    a.LastCol = allCols ? g.ColCount() - 1 : g.ColCount() - g.FixedRightCols() - 1;
    a.FirstRow = allRows ? 0 : g.FixedRows();
    a.LastRow = allRows ? g.RowCount() - 1 : g.RowCount() - g.FixedFooters() - 1;
    return a;
}

// Calls `use` with the whole content of a file (mapped into memory when the
// file allows it, so the bytes are not copied); EFOpenError when the file
// cannot be opened or read.
template <typename Use>
auto WithFileBytes(const QString& fileName, Use use)
{
    if (QFileInfo(fileName).isDir())
        throw EFOpenError::ForFile(fileName, QStringLiteral("It is a folder."));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError::ForFile(fileName, file.errorString());
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar* mapped = file.map(0, size)) {
            struct TUnmap {
                QFile& f;
                uchar* m;
                ~TUnmap() { f.unmap(m); }
            } unmap{file, mapped};
            return use(QByteArrayView(mapped, size));
        }
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError::ForFile(fileName, file.errorString());
    return use(QByteArrayView(bytes));
}

int Percent(qint64 done, qint64 total)
{
    return static_cast<int>(std::lround(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
}

// Plain text of a rich-text document: control words and groups are dropped,
// \par and \line become CR LF, \tab a tab, \'hh a Windows-1252 character and
// \uN the character N; destinations ({\* ...}, font, colour and style tables,
// document information) are skipped whole.
QString RichTextToPlain(const QString& rtf)
{
    QString out;
    const qsizetype n = rtf.size();
    // Depth of braces at which a skipped destination started; -1 when none.
    int depth = 0;
    int skipFrom = -1;
    int ucSkip = 0;  // characters to drop after \uN (the fallback)
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = rtf[i];
        if (c == u'{') {
            ++depth;
            continue;
        }
        if (c == u'}') {
            if (skipFrom >= 0 && depth <= skipFrom)
                skipFrom = -1;
            --depth;
            continue;
        }
        if (c == u'\r' || c == u'\n')
            continue;
        if (c != u'\\') {
            if (skipFrom < 0) {
                if (ucSkip > 0)
                    --ucSkip;
                else
                    out += c;
            }
            continue;
        }
        // A control sequence.
        if (i + 1 >= n)
            break;
        const QChar next = rtf[i + 1];
        if (next == u'\\' || next == u'{' || next == u'}') {
            if (skipFrom < 0)
                out += next;
            ++i;
            continue;
        }
        if (next == u'*') {
            if (skipFrom < 0)
                skipFrom = depth;
            ++i;
            continue;
        }
        if (next == u'\'') {
            if (i + 3 < n) {
                bool ok = false;
                const int code = rtf.mid(i + 2, 2).toInt(&ok, 16);
                if (ok && skipFrom < 0) {
                    if (ucSkip > 0)
                        --ucSkip;
                    else
                        out += DecodeWindows1252(QByteArray(1, static_cast<char>(code)));
                }
            }
            i += 3;
            continue;
        }
        const bool asciiLetter = (next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z');
        if (!asciiLetter) {
            // A control symbol such as \~ (non-breaking space) or \- (optional hyphen).
            if (skipFrom < 0 && next == u'~')
                out += QChar(0xA0);
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && rtf[j].isLetter() && rtf[j].unicode() < 128)
            ++j;
        const QString word = rtf.mid(i + 1, j - i - 1);
        qsizetype k = j;
        if (k < n && rtf[k] == u'-')
            ++k;
        while (k < n && rtf[k].isDigit())
            ++k;
        const QString param = rtf.mid(j, k - j);
        if (k < n && rtf[k] == u' ')
            ++k;
        i = k - 1;
        if (word == u"fonttbl" || word == u"colortbl" || word == u"stylesheet" || word == u"info" ||
            word == u"pict" || word == u"header" || word == u"footer") {
            if (skipFrom < 0)
                skipFrom = depth;
            continue;
        }
        if (skipFrom >= 0)
            continue;
        if (word == u"par" || word == u"line")
            out += QLatin1StringView("\r\n");
        else if (word == u"tab")
            out += u'\t';
        else if (word == u"u") {
            int code = param.toInt();
            if (code < 0)
                code += 65536;
            out += QChar(static_cast<char16_t>(code));
            ucSkip = 1;
        }
    }
    // The final \par of a document ends it rather than adding an empty line.
    if (out.endsWith(QLatin1StringView("\r\n")))
        out.chop(2);
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Virtual steps

QString TQelStringGrid::SaveCellText(int ACol, int ARow)
{
    QString s = FSaveVirtCells ? GetFloatText(ACol, ARow) : ReadRawCellText(ACol, ARow);
    if (s.isEmpty() && HasCellProperties(ACol, ARow)) {
        if (const TCellGraphic* g = GetCellProperties(ACol, ARow)->Graphic()) {
            if (g->FCellType == ctCheckBox || g->FCellType == ctTriStateCheckBox) {
                const bool checked = g->FCellType == ctCheckBox ? g->FCellBoolean
                                                                : g->FCellCheckBoxState == cbChecked;
                if (checked) {
                    s = FCheckTrue;
                    if (OnGetCheckTrue)
                        OnGetCheckTrue(this, ACol, ARow, s);
                } else {
                    s = FCheckFalse;
                    if (OnGetCheckFalse)
                        OnGetCheckFalse(this, ACol, ARow, s);
                }
            }
        }
    }
    // Only rich text (starting with "{\") and, when markup is stripped, HTML (holding
    // a '<') are rewritten; other texts skip the classification.
    const bool mayRewrite = s.startsWith(u'{') || (!FSaveWithHTML && s.contains(u'<'));
    const TCellTextKind kind = mayRewrite ? GetTextKind(s, true) : ckPlain;
    if (kind == ckHTML && !FSaveWithHTML) {
        s = StripMarkup(s);
    } else if (kind == ckRTF) {
        if (FSaveWithRTF) {
            s.remove(u'\r');
            s.remove(u'\n');
        } else {
            s = RichTextToPlain(s);
        }
    }
    if (OnSaveCell)
        OnSaveCell(this, ACol, ARow, s);
    return s;
}

bool TQelStringGrid::PlainCellTransfer() const { return typeid(*this) == typeid(TQelStringGrid); }

bool TQelStringGrid::PlainCellSave() const
{
    if (OnSaveCell || !PlainCellTransfer())
        return false;
    // Without virtual cells the raw text is saved; otherwise GetFloatText's steps
    // must all leave it alone (group counts need GetGroupInfo, false here).
    return !FSaveVirtCells || (!OnGetFloatFormat && !OnGetDisplText && !OnGetDisplWideText && !FURLShowInText);
}

namespace {

// The steps of TQelStringGrid::SaveCellView, inline for the save walk.
inline bool OwnSaveCellView(const TQelStringGrid& g, int ACol, int ARow, QStringView& View)
{
    // Cell properties bring merged cells and check boxes. (Looking at the object
    // slot first spares most cells the full test.)
    TObject* obj = nullptr;
    const QStringView v = g.CellView(ACol, ARow, obj);
    if (obj && g.HasCellProperties(ACol, ARow))
        return false;
    // (IsWideText looks for a prefix that starts with WideTextPrefix[0].)
    if (g.SaveVirtCells() && v.startsWith(QChar(WideTextPrefix[0])) && IsWideText(v))
        return false;
    // SaveCellText's rewrite candidates: rich text and mark-up.
    if (v.startsWith(u'{') || (!g.SaveWithHTML() && v.contains(u'<')))
        return false;
    View = v;
    return true;
}

}  // namespace

bool TQelStringGrid::SaveCellView(int ACol, int ARow, QStringView& View) const
{
    return OwnSaveCellView(*this, ACol, ARow, View);
}

void TQelStringGrid::LoadCellText(int ACol, int ARow, const QString& Value)
{
    if (OnLoadCell) {
        QString v = Value;
        OnLoadCell(this, ACol, ARow, v);
        WriteRawCellText(ACol, ARow, v);
    } else {
        WriteRawCellText(ACol, ARow, Value);
    }
}

void TQelStringGrid::AfterFileLoad() { CalcFooter(-1); }

void TQelStringGrid::ExportNotification(TGridExportState, int) {}

// ---------------------------------------------------------------------------
// Writing

namespace {

// The two outputs of the cell walk: text (encoded afterwards) and UTF-8 bytes
// built directly, without a text of the whole file in between.
class TCsvTextOut {
public:
    TCsvTextOut(QString& out, const TCsvWriter& writer) : FOut(out), FWriter(writer) {}
    // A guess of eight characters a cell saves most of the regrowth copies.
    void Reserve(qint64 cells)
    {
        FOut.reserve(FOut.size() + static_cast<qsizetype>(std::min<qint64>(cells * 8, qint64(1) << 28)));
    }
    void Delimiter() { FOut += FWriter.Delimiter(); }
    void Cell(QStringView text) { FWriter.AppendCell(FOut, text); }
    void EndRow() { FOut += QLatin1StringView("\r\n"); }

private:
    QString& FOut;
    const TCsvWriter& FWriter;
};

// Replaces a file with the bytes of a save, written as they are made: the
// save keeps about one chunk in memory instead of the whole file.  The file is
// a QSaveFile, so the old file is replaced only once the new one is complete
// (Finish); a save that ends early (an exception) leaves it as it was.  A
// failure to create or write the file is remembered and raised by Finish, so
// that the save's notifications and callbacks run exactly as when the bytes
// are written in one piece at the end.
class TCsvFileSink {
public:
    explicit TCsvFileSink(const QString& fileName) : FName(fileName), FFile(fileName) {}

    void Write(const char* bytes, qsizetype n)
    {
        if (FFailed)
            return;
        if (!FOpen) {
            if (!FFile.open(QIODevice::WriteOnly)) {
                fail(FFile.errorString(), false);
                return;
            }
            FOpen = true;
        }
        if (FFile.write(bytes, n) != n) {
            fail(FFile.errorString(), true);
            return;
        }
#ifdef Q_OS_LINUX
        // The commit waits until the file is on the disk; starting the disk
        // writes of each chunk now lets them run while the next is built.
        if (n > 0 && FFile.flush() && FFile.handle() >= 0)
            ::sync_file_range(FFile.handle(), FWritten, n, SYNC_FILE_RANGE_WRITE);
#endif
        FWritten += n;
    }

    void Finish()
    {
        if (!FFailed && !FOpen)
            Write("", 0);  // nothing was handed over: the file is still created
        if (FFailed)
            throw EFCreateError::ForFile(FName, FReason);
        if (!FFile.commit())
            throw EFCreateError::ForFile(FName, FFile.errorString());
    }

private:
    void fail(const QString& reason, bool opened)
    {
        FFailed = true;
        FReason = reason;
        if (opened)
            FFile.cancelWriting();
    }

    const QString FName;
    QSaveFile FFile;
    bool FOpen = false;
    bool FFailed = false;
    QString FReason;
    qint64 FWritten = 0;
};

class TCsvUtf8Out {
public:
    // Bytes collected before they go to the sink: large enough that the
    // writes are few, small enough to stay in the processor's caches.
    static constexpr qsizetype kChunk = qsizetype(1) << 18;

    TCsvUtf8Out(TCsvUtf8Buffer& out, const TCsvWriter& writer, TCsvFileSink* sink = nullptr)
        : FOut(out), FWriter(writer), FSink(sink), FDelimiter(QString(writer.Delimiter()).toUtf8())
    {
    }
    void Reserve(qint64 cells)
    {
        qint64 bytes = std::min<qint64>(cells * 8, qint64(1) << 29);
        if (FSink)
            bytes = std::min<qint64>(bytes, 2 * kChunk);
        FOut.Reserve(static_cast<qsizetype>(bytes));
    }
    void Delimiter()
    {
        if (FDelimiter.size() == 1)
            FOut.Put(FDelimiter[0]);
        else
            FOut.Append(FDelimiter.constData(), FDelimiter.size());
    }
    void Cell(QStringView text) { FWriter.AppendCellUtf8(FOut, text); }
    void EndRow()
    {
        FOut.Append("\r\n", 2);
        if (FSink && FOut.Size() >= kChunk)
            Flush();
    }
    // Hands what is collected to the sink.
    void Flush()
    {
        FSink->Write(FOut.Data(), FOut.Size());
        FOut.Clear();
    }

private:
    TCsvUtf8Buffer& FOut;
    const TCsvWriter& FWriter;
    TCsvFileSink* const FSink;
    const QByteArray FDelimiter;
};

TCsvWriteOptions CsvWriteOptions(QChar delimiter, bool quoteEmpty, bool alwaysQuotes, bool java)
{
    TCsvWriteOptions wo;
    wo.Delimiter = delimiter.isNull() ? QChar(u',') : delimiter;
    wo.QuoteEmptyCells = quoteEmpty;
    wo.AlwaysQuotes = alwaysQuotes;
    wo.JavaCSV = java;
    return wo;
}

// Writes the save area of a grid to `out`: its cells (SaveCellText) separated
// by the delimiter, each row ended by CR LF, with the export notifications and
// progress reports.
template <typename Out>
void WriteCsvRows(TQelStringGrid& g, Out& out)
{
    const TCsvArea area = CsvArea(g);
    const bool saveHidden = g.SaveHiddenCells();
    const int h = saveHidden ? g.NumHiddenColumns() : 0;
    out.Reserve(qint64(std::max(0, area.LastRow - area.FirstRow + 1)) *
                qint64(std::max(0, area.LastCol + h - area.FirstCol + 1)));
    g.ExportNotification(TQelStringGrid::esExportStart, area.FirstRow);
    // A grid of exactly this class has this class's SaveCellView: its steps
    // are taken inline instead of through the virtual table.
    const bool ownSteps = typeid(g) == typeid(TQelStringGrid);
    int lastProgress = 0;
    for (int r = area.FirstRow; r <= area.LastRow; ++r) {
        g.ExportNotification(TQelStringGrid::esExportNextRow, r);
        // Asked per row: a notification or progress callback may change the settings.
        const bool plain = g.PlainCellSave();
        for (int i = area.FirstCol; i <= area.LastCol + h; ++i) {
            if (i != area.FirstCol)
                out.Delimiter();
            // Without hidden columns a displayed column is its real column.
            const int c = saveHidden || g.NumHiddenColumns() == 0 ? i : g.RealColIndex(i);
            QStringView view;
            if (plain && (ownSteps ? OwnSaveCellView(g, c, r, view) : g.SaveCellView(c, r, view)))
                out.Cell(view);
            else
                out.Cell(g.SaveCellText(c, r));
        }
        out.EndRow();
        if (g.OnFileProgress) {
            // A grid of one row is done after its only row.
            const int progress = g.RowCount() > 1 ? Percent(r, g.RowCount() - 1) : 100;
            if (progress != lastProgress) {
                lastProgress = progress;
                g.OnFileProgress(&g, progress);
            }
        }
    }
    g.ExportNotification(TQelStringGrid::esExportDone, -1);
}

// Replaces a file with `bytes`; the old file is replaced only once the new one
// is completely written.
void WriteWholeFile(const QString& fileName, const QByteArray& bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError::ForFile(fileName, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EFCreateError::ForFile(fileName, reason);
    }
    if (!file.commit())
        throw EFCreateError::ForFile(fileName, file.errorString());
}

}  // namespace

QString TQelStringGrid::BuildCsvText()
{
    const TCsvWriter writer(CsvWriteOptions(FDelimiter, FQuoteEmptyCells, FAlwaysQuotes, FJavaCSV));
    QString text;
    TCsvTextOut out(text, writer);
    WriteCsvRows(*this, out);
    return text;
}

QByteArray TQelStringGrid::BuildCsvUtf8()
{
    const TCsvWriter writer(CsvWriteOptions(FDelimiter, FQuoteEmptyCells, FAlwaysQuotes, FJavaCSV));
    if (!writer.EncodesCellByCell())
        return BuildCsvText().toUtf8();
    TCsvUtf8Buffer bytes;
    TCsvUtf8Out out(bytes, writer);
    WriteCsvRows(*this, out);
    return bytes.Take();
}

void TQelStringGrid::WriteCsvFile(const QString& FileName, const QString& text, bool Unicode)
{
    QByteArray bytes;
    if (FOemConvert)
        bytes = ToOem(text);
    else if (Unicode)
        bytes = EncodeText(text, static_cast<TTextEncoding>(FEncoding), true);
    else
        bytes = EncodeText(text, teUTF8, false);
    WriteWholeFile(FileName, bytes);
}

void TQelStringGrid::SaveToCSV(const QString& FileName, bool Unicode)
{
    const TCsvWriter writer(CsvWriteOptions(FDelimiter, FQuoteEmptyCells, FAlwaysQuotes, FJavaCSV));
    // UTF-8 files (the usual case) are built as bytes right away; the other
    // encodings encode the whole text.
    if (!FOemConvert && (!Unicode || FEncoding == teUTF8) && writer.EncodesCellByCell()) {
        TCsvFileSink sink(FileName);
        TCsvUtf8Buffer bytes;
        if (Unicode) {
            const QByteArray mark = ByteOrderMark(teUTF8);
            bytes.Append(mark.constData(), mark.size());
        }
        TCsvUtf8Out out(bytes, writer, &sink);
        WriteCsvRows(*this, out);
        out.Flush();
        sink.Finish();
        return;
    }
    WriteCsvFile(FileName, BuildCsvText(), Unicode);
}

void TQelStringGrid::AppendToCSV(const QString& FileName, bool Unicode)
{
    QString text;
    if (QFileInfo::exists(FileName)) {
        text = WithFileBytes(FileName, [this](QByteArrayView bytes) { return DecodeCsvBytes(bytes); });
        // The existing text is kept as it is (a quoted cell in it may hold
        // lone line breaks); only a missing final break is added.
        if (!text.isEmpty() && !text.endsWith(u'\r') && !text.endsWith(u'\n'))
            text += QLatin1StringView("\r\n");
    }
    text += BuildCsvText();
    WriteCsvFile(FileName, text, Unicode);
}

// ---------------------------------------------------------------------------
// Reading

QString TQelStringGrid::DecodeCsvBytes(QByteArrayView bytes) const
{
    TTextEncoding encoding;
    int markLength = 0;
    if (FOemConvert && !DetectByteOrderMark(bytes, encoding, markLength))
        return FromOem(bytes);
    return DecodeText(bytes);
}

void TQelStringGrid::LoadFromCSV(const QString& FileName, int MaxRows)
{
    // A file of zero bytes is ignored; anything else is decoded whole.
    bool empty = false;
    QString text = WithFileBytes(FileName, [&](QByteArrayView bytes) {
        empty = bytes.isEmpty();
        return DecodeCsvBytes(bytes);
    });
    if (!empty)
        LoadCsvText(std::move(text), MaxRows, false);
}

void TQelStringGrid::LoadFromCSV(const QString& FileName, uint8_t AEncoding, int MaxRows)
{
    QString text = WithFileBytes(FileName, [&](QByteArrayView bytes) {
        return DecodeTextAs(bytes, static_cast<TTextEncoding>(AEncoding));
    });
    if (FOemConvert)
        text = OemToAnsi(text);
    LoadCsvText(std::move(text), MaxRows, false);
}

void TQelStringGrid::LoadFromCSVStream(QIODevice& AStream, int MaxRows)
{
    LoadCsvText(DecodeCsvBytes(AStream.readAll()), MaxRows, false);
}

void TQelStringGrid::InsertFromCSV(const QString& FileName, int MaxRows)
{
    bool empty = false;
    QString text = WithFileBytes(FileName, [&](QByteArrayView bytes) {
        empty = bytes.isEmpty();
        return DecodeCsvBytes(bytes);
    });
    if (!empty)
        LoadCsvText(std::move(text), MaxRows, true);
}

namespace {

// Bulk-update bracket that also closes when a callback throws.
class TUpdateBracket {
public:
    explicit TUpdateBracket(TCustomGrid& g) : FGrid(g) { FGrid.BeginUpdate(); }
    ~TUpdateBracket() { FGrid.EndUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    TCustomGrid& FGrid;
};

// Restores the store's row width hint when a load ends, also by an exception.
class TRowWidthHintScope {
public:
    explicit TRowWidthHintScope(TStringGrid& g) : FGrid(g), FSaved(g.NewRowWidthHint()) {}
    ~TRowWidthHintScope() { FGrid.SetNewRowWidthHint(FSaved); }
    TRowWidthHintScope(const TRowWidthHintScope&) = delete;
    TRowWidthHintScope& operator=(const TRowWidthHintScope&) = delete;

private:
    TStringGrid& FGrid;
    const int FSaved;
};

}  // namespace

// The grid as a handler of the tokenizer: cells go to consecutive columns of
// consecutive rows from the load area's first cell.
class TQelGridCsvLoader final : public TCsvHandler {
public:
    TQelGridCsvLoader(TQelStringGrid& grid, int firstCol, int firstRow, int hidden, bool skipFirst,
                      int maxRows, qsizetype linesCounted)
        : FGrid(grid), FFirstCol(firstCol), FCol(firstCol), FRow(firstRow), FHidden(hidden),
          FSkip(skipFirst), FMaxRows(maxRows), FLinesCounted(linesCounted),
          FMapColumns(!grid.SaveHiddenCells() && grid.NumHiddenColumns() > 0),
          FPlain(grid.PlainCellTransfer()), FDirect(FPlain && !FMapColumns),
          FHintRows(!FMapColumns && grid.NewRowWidthHint() == 0)
    {
    }

    void Field(QStringView text) override
    {
        // The usual cell: its row is ready, its column exists, and the store
        // takes the text straight from the file's buffer (LoadCellText without
        // OnLoadCell is WriteRawCellText).
        if (FDirect && FRowReady && !FSkip && FCol < FGrid.ColCount() + FHidden && !FGrid.OnLoadCell) {
            const int col = FCol++;
            FGrid.SetCellsFromView(col, FRow, text);
            return;
        }
        field(text);
    }

    // Field for every other cell (out of line, so that the usual cell's path
    // stays short).
    [[gnu::noinline]] void field(QStringView text)
    {
        if (FSkip)
            return;
        if (!FRowReady) {
            if (FRow >= FGrid.RowCount() - FGrid.FixedFooters())
                FGrid.SetRowCount(FRow + 1000);
            FRowReady = true;
        }
        // Columns grow before the cell is written, so that the store has it.
        if (FCol >= FGrid.ColCount() + FHidden)
            FGrid.SetColCount(FCol + 1 - FHidden);
        // Without hidden columns in the file, its cells are the displayed
        // columns: each text goes back to the real column it was saved from.
        const int realCol = FMapColumns ? FGrid.RealColIndex(FCol) : FCol;
        // LoadCellText without OnLoadCell is WriteRawCellText: the store takes
        // the text straight from the file's buffer.
        if (FPlain && !FGrid.OnLoadCell) {
            FGrid.SetCellsFromView(realCol, FRow, text);
            ++FCol;
            return;
        }
        // One buffer serves every cell: a store that copies short texts into
        // place leaves it unshared, so it is refilled without an allocation;
        // a store (or a LoadCellText) that keeps the QString shares it, and
        // the next cell gets a fresh one.
        if (text.isEmpty()) {
            FGrid.LoadCellText(realCol, FRow, text.toString());
            ++FCol;
            return;
        }
        if (FCell.isDetached()) {
            FCell.resize(text.size());
            std::copy(text.begin(), text.end(), FCell.begin());
        } else {
            FCell = text.toString();
        }
        FGrid.LoadCellText(realCol, FRow, FCell);
        ++FCol;
    }

    bool EndRow() override
    {
        if (FSkip) {
            FSkip = false;
            return true;
        }
        // A row's width is a good guess for the next: a new row takes its
        // slots in one allocation.  (The previous row, not the first: a wide
        // header does not make every short row reserve its width.)
        if (FHintRows)
            FGrid.SetNewRowWidthHint(FCol);
        FCol = FFirstCol;
        FRowReady = false;
        ++FRow;
        ++FRowsRead;
        if (FGrid.OnFileProgress && FLinesCounted > 0) {
            const int progress = Percent(FRowsRead, FLinesCounted);
            if (progress != FLastProgress) {
                FLastProgress = progress;
                FGrid.OnFileProgress(&FGrid, progress);
            }
        }
        return FMaxRows <= 0 || FRowsRead < FMaxRows;
    }

    int Row() const { return FRow; }

private:
    TQelStringGrid& FGrid;
    const int FFirstCol;
    int FCol;
    int FRow;
    const int FHidden;
    bool FSkip;
    const int FMaxRows;
    const qsizetype FLinesCounted;
    const bool FMapColumns;
    const bool FPlain;
    const bool FDirect;  // plain transfer to the same columns
    const bool FHintRows;
    bool FRowReady = false;
    qsizetype FRowsRead = 0;
    int FLastProgress = 0;
    QString FCell;
};

void TQelStringGrid::LoadCsvText(QString text, int MaxRows, bool inserting)
{
    // No line at all (an empty input, or nothing but a byte-order mark).
    if (text.isEmpty())
        throw Exception(QStringLiteral("File is empty"));

    const TCsvArea area = CsvArea(*this);
    TUpdateBracket bracket(*this);

    int r = area.FirstRow;
    QStringList footerTexts;
    bool restoreFooter = false;
    if (inserting) {
        r = RowCount();
        if (FloatingFooterVisible()) {
            const int last = RowCount() - 1;
            for (int c = 0; c < ColCount(); ++c)
                footerTexts.append(ReadRawCellText(c, last));
            ClearRowSlots(last);
            r = last;
            restoreFooter = true;
        }
    }

    TCsvReadOptions ro;
    ro.Delimiter = FDelimiter.isNull() ? TCsvTokenizer::DetectDelimiter(text) : FDelimiter;
    ro.JavaCSV = FJavaCSV;

    qsizetype counted = 0;
    if (OnFileProgress) {
        counted = TCsvTokenizer::CountRows(text, ro);
        if (!FLoadFirstRow && counted > 0)
            --counted;
        if (MaxRows > 0 && counted > MaxRows)
            counted = MaxRows;
        const qsizetype rows = inserting ? counted + RowCount() : counted + r + FixedFooters();
        SetRowCount(static_cast<int>(std::min<qsizetype>(rows, std::numeric_limits<int>::max())));
    }

    const int h = FSaveHiddenCells ? NumHiddenColumns() : 0;
    TQelGridCsvLoader loader(*this, area.FirstCol, r, h, !FLoadFirstRow, MaxRows, counted);
    const TRowWidthHintScope hintScope(*this);
    TCsvTokenizer(ro).Tokenize(text, loader);
    r = loader.Row();
    // The cells hold copies: the file's text is not needed any more, and a
    // spreadsheet's recalculation in AfterFileLoad runs without it.
    text = QString();

    SetRowCount(r + FixedFooters() + (restoreFooter ? 1 : 0));
    FMaxRowCount = RowCount();
    if (restoreFooter) {
        // The floating footer goes below the inserted rows.
        const int footerRow = r;
        for (int c = 0; c < footerTexts.size(); ++c)
            WriteRawCellText(c, footerRow, footerTexts[c]);
    }

    NotifyCellsChanged(GridRect(0, 0, ColCount() - 1, RowCount() - 1));
    AfterFileLoad();
}
