// TGridWidget on the offscreen platform, driven with QTest: clicks, typing into the
// in-place editor, scrolling by keys, wheel and scroll bar, and the painted picture.
#include "Canvas.h"
#include "GridWidget.h"
#include "Grids.h"

#include <QApplication>
#include <QImage>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolTip>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A string grid with a hint for every cell and a switch for the multi-line editor.
class TTestGrid : public TStringGrid {
public:
    bool HintRequest(int x, int y, QString& text, TPoint& pos) override {
        int col = -1, row = -1;
        MouseToCell(x, y, col, row);
        text = QStringLiteral("cell %1,%2").arg(col).arg(row);
        pos = TPoint{x, y + 20};
        return col >= 0 && row >= 0;
    }
    bool WrapEditor = false;

protected:
    TInplaceEditorSpec CreateEditor() override {
        TInplaceEditorSpec spec = TStringGrid::CreateEditor();
        spec.WordWrap = WrapEditor;
        return spec;
    }
};

class GridWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetColCount(10);
        grid.SetRowCount(100);
        grid.SetOptions(grid.Options() + goEditing);
        grid.Font().SetName(QStringLiteral("DejaVu Sans"));
        grid.Font().SetHeight(-13);
        grid.OnSetEditText = [this](TObject*, int col, int row, const QString& value) {
            lastSet = {col, row};
            lastSetText = value;
        };
        widget = std::make_unique<TGridWidget>(&grid);
        widget->resize(420, 320);
        widget->show();
        widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget.get()));
        widget->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override { widget.reset(); }

    QPoint cellCenter(int col, int row) const {
        const TRect r = grid.CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    QLineEdit* lineEditor() const { return qobject_cast<QLineEdit*>(widget->Editor()); }
    void typeChar(QWidget* target, char ch) {
        QTest::keyClick(target, ch);
        QApplication::processEvents();   // the editor gets the character queued
    }

    TTestGrid grid;
    std::unique_ptr<TGridWidget> widget;
    TGridCoord lastSet{-1, -1};
    QString lastSetText;
};

TEST_F(GridWidgetTest, ClickSelectsTheCellUnderThePointer) {
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, cellCenter(3, 4));
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_TRUE(widget->hasFocus());
}

TEST_F(GridWidgetTest, TypingOpensTheEditorAndEnterCommits) {
    grid.FocusCell(2, 3, true);
    typeChar(widget.get(), 'k');
    QLineEdit* editor = lineEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->text(), QStringLiteral("k"));
    // The editor sits on the cell.
    const TRect cell = grid.CellRect(2, 3);
    EXPECT_EQ(editor->geometry().topLeft(), QPoint(cell.Left, cell.Top));
    EXPECT_LE(editor->geometry().right(), cell.Right - 1);

    typeChar(editor, 'x');
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(grid.Cells(2, 3), QStringLiteral("kx"));
    EXPECT_EQ(lastSet, (TGridCoord{2, 3}));
    EXPECT_EQ(lastSetText, QStringLiteral("kx"));
    EXPECT_EQ(widget->Editor(), nullptr);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(widget->hasFocus());
}

TEST_F(GridWidgetTest, EscapeCancelsTheEdit) {
    grid.SetCells(4, 2, QStringLiteral("old"));
    grid.FocusCell(4, 2, true);
    typeChar(widget.get(), 'n');
    ASSERT_NE(lineEditor(), nullptr);
    EXPECT_EQ(lineEditor()->text(), QStringLiteral("n"));
    QTest::keyClick(lineEditor(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(grid.Cells(4, 2), QStringLiteral("old"));
    EXPECT_EQ(widget->Editor(), nullptr);
}

TEST_F(GridWidgetTest, PageDownScrollsAndTheScrollBarFollows) {
    QScrollBar* bar = widget->verticalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), grid.FixedRows());
    EXPECT_EQ(bar->maximum(), grid.MaxTopLeft().Y);
    EXPECT_EQ(bar->pageStep(), grid.VisibleRowCount());
    const int top = grid.TopRow();
    QTest::keyClick(widget.get(), Qt::Key_PageDown);
    EXPECT_GT(grid.TopRow(), top);
    EXPECT_EQ(bar->value(), grid.TopRow());
}

TEST_F(GridWidgetTest, AWheelNotchScrolls) {
    grid.FocusCell(1, grid.LastFullVisibleRow(), true);
    const int top = grid.TopRow();
    const QPoint pos = cellCenter(2, 2);
    QWheelEvent wheel(pos, widget->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget->viewport(), &wheel);
    EXPECT_EQ(grid.TopRow(), top + 1);
    EXPECT_EQ(widget->verticalScrollBar()->value(), grid.TopRow());
}

TEST_F(GridWidgetTest, MovingTheScrollBarScrollsTheGrid) {
    widget->verticalScrollBar()->setValue(40);
    EXPECT_EQ(grid.TopRow(), 40);
    widget->horizontalScrollBar()->setValue(widget->horizontalScrollBar()->maximum());
    EXPECT_EQ(grid.LeftCol(), grid.MaxTopLeft().X);
}

TEST_F(GridWidgetTest, ThumbDragsFollowGoThumbTracking) {
    for (bool tracking : {false, true}) {
        grid.SetTopRow(1);
        grid.SetOptions(tracking ? grid.Options() + goThumbTracking : grid.Options() - goThumbTracking);
        QScrollBar* bar = widget->verticalScrollBar();
        bar->setSliderDown(true);
        bar->setValue(30);
        EXPECT_EQ(grid.TopRow(), tracking ? 30 : 1) << tracking;
        bar->setSliderDown(false);   // the thumb is let go
        EXPECT_EQ(grid.TopRow(), 30) << tracking;
        EXPECT_EQ(bar->value(), 30);
    }
}

TEST_F(GridWidgetTest, TheEditorFollowsScrollingAndNeverCoversFixedCells) {
    grid.FocusCell(2, 5, true);
    typeChar(widget.get(), 'q');
    QLineEdit* editor = lineEditor();
    ASSERT_NE(editor, nullptr);
    grid.SetTopRow(3);
    EXPECT_EQ(editor->geometry().top(), grid.CellRect(2, 5).Top);
    grid.SetTopRow(5);
    EXPECT_EQ(editor->geometry().top(), grid.FixedHeight());
    // Scrolled away under the fixed row: nothing of the editor shows there, and it
    // keeps the keyboard.
    grid.SetTopRow(6);
    const QRect fixedRows(0, 0, widget->viewport()->width(), grid.FixedHeight());
    const QRegion shown = editor->mask().isEmpty() ? QRegion(editor->geometry())
                                                   : editor->mask().translated(editor->pos());
    EXPECT_FALSE(shown.intersects(fixedRows));
    EXPECT_TRUE(editor->hasFocus());
    grid.SetTopRow(4);
    EXPECT_EQ(editor->geometry().top(), grid.CellRect(2, 5).Top);
    EXPECT_TRUE(editor->mask().isEmpty());
    EXPECT_EQ(editor->text(), QStringLiteral("q"));
}

TEST_F(GridWidgetTest, HintsShowAsToolTips) {
    const QPoint pos = cellCenter(3, 4);
    QHelpEvent help(QEvent::ToolTip, pos, widget->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(widget->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("cell 3,4"));
    QToolTip::hideText();
}

TEST_F(GridWidgetTest, WordWrappedCellsEditInAPlainTextEdit) {
    grid.WrapEditor = true;
    grid.SetCells(2, 3, QStringLiteral("ab\r\ncd"));
    grid.FocusCell(2, 3, true);
    grid.SetEditorMode(true);
    auto* memo = qobject_cast<QPlainTextEdit*>(widget->Editor());
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("ab\ncd"));
    EXPECT_EQ(grid.InplaceEditorText(), QStringLiteral("ab\r\ncd"));
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "e");
    EXPECT_EQ(lastSetText, QStringLiteral("ab\r\ncde"));
}

TEST_F(GridWidgetTest, PostedNotificationsRunFromTheEventLoop) {
    int ran = 0;
    grid.Post([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    QApplication::processEvents();
    EXPECT_EQ(ran, 1);
    // Detaching the grid drops what was posted for it.
    grid.Post([&] { ++ran; });
    widget->SetGrid(nullptr);
    QApplication::processEvents();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(grid.Host(), nullptr);
}

TEST_F(GridWidgetTest, DraggingBelowTheCellsScrollsUntilTheButtonIsReleased) {
    grid.SetOptions(grid.Options() - goEditing);   // editing grids do not drag-select
    QWidget* vp = widget->viewport();
    const QPoint start = cellCenter(2, 2);
    QTest::mousePress(vp, Qt::LeftButton, {}, start);
    const int top = grid.TopRow();
    const QPoint below(start.x(), vp->height() + 20);
    QMouseEvent move(QEvent::MouseMove, below, vp->mapToGlobal(below), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    const int moved = grid.TopRow();
    EXPECT_GE(moved, top);
    // The pointer stays below the cells: the grid keeps scrolling while the button is down.
    QTest::qWait(300);
    EXPECT_GT(grid.TopRow(), moved);
    EXPECT_GT(grid.Selection().Bottom, 2);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, below);
    const int after = grid.TopRow();
    QTest::qWait(200);
    EXPECT_EQ(grid.TopRow(), after);
}

TEST_F(GridWidgetTest, ResizingSetsTheClientSize) {
    widget->resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(grid.ClientWidth(), widget->viewport()->width());
    EXPECT_EQ(grid.ClientHeight(), widget->viewport()->height());
}

TEST_F(GridWidgetTest, TheGrabShowsTextsInTheirCells) {
    grid.SetCells(2, 3, QStringLiteral("WMW"));
    grid.SetCells(3, 4, QStringLiteral("0"));
    QApplication::processEvents();
    const QImage image = widget->viewport()->grab().toImage();
    auto darkIn = [&](int col, int row) {
        const TRect r = grid.CellRect(col, row);
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() < 110 && c.green() < 110 && c.blue() < 110) ++n;
            }
        return n;
    };
    EXPECT_GT(darkIn(2, 3), 10);
    EXPECT_GT(darkIn(3, 4), 3);
    EXPECT_EQ(darkIn(3, 3), 0);
    EXPECT_EQ(darkIn(2, 4), 0);
}

TEST(GridWidgetKeys, QtKeysMapToVirtualKeys) {
    struct Case { int qt; Qt::KeyboardModifiers mods; TKey vk; } cases[] = {
        {Qt::Key_A, {}, 'A'}, {Qt::Key_Z, {}, 'Z'}, {Qt::Key_5, {}, '5'},
        {Qt::Key_F2, {}, VK_F2}, {Qt::Key_Return, {}, VK_RETURN}, {Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN},
        {Qt::Key_Escape, {}, VK_ESCAPE}, {Qt::Key_PageDown, {}, VK_NEXT}, {Qt::Key_PageUp, {}, VK_PRIOR},
        {Qt::Key_Backtab, Qt::ShiftModifier, VK_TAB}, {Qt::Key_Delete, {}, VK_DELETE},
        {Qt::Key_Plus, Qt::KeypadModifier, VK_ADD}, {Qt::Key_Left, {}, VK_LEFT},
    };
    for (const Case& c : cases) EXPECT_EQ(TGridWidget::KeyToVirtualKey(c.qt, c.mods), c.vk) << c.qt;
    EXPECT_EQ(TGridWidget::ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton),
              (TShiftState{ssShift, ssCtrl, ssLeft}));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(GridWidgetLifetime, GridDestroyedBeforeWidgetDetachesItself) {
    auto grid = std::make_unique<TStringGrid>();
    grid->SetOptions(grid->Options() + goEditing);
    TGridWidget widget(grid.get());
    widget.resize(200, 150);
    widget.show();
    grid.reset();
    EXPECT_EQ(widget.Grid(), nullptr);
    // Painting and input after the grid is gone must not reach it.
    widget.repaint();
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::keyClick(&widget, Qt::Key_Down);
}
