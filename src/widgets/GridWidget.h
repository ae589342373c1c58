// TGridWidget: the Qt Widgets window that shows a TCustomGrid.
//
// The widget is the grid's host (IGridHost): it paints the grid on its viewport through
// a TCanvas, keeps its scroll bars in step with the grid (in cell units), forwards mouse,
// wheel, key and focus events to the grid's entry points, supplies the in-place editor (a
// QLineEdit, or a QPlainTextEdit for word-wrapped text), shows hints as tool tips and runs
// the grid's posted notifications from the event loop.
//
// The grid is not owned. A grid that is destroyed first detaches itself; or detach it with SetGrid(nullptr)
// before it goes away.
#pragma once

#include "GridHost.h"
#include "Types.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

#include <cstdint>

class TCustomGrid;
class QLineEdit;
class QPlainTextEdit;
class QKeyEvent;

class TGridWidget : public QAbstractScrollArea, public IGridHost {
public:
    explicit TGridWidget(TCustomGrid* grid = nullptr, QWidget* parent = nullptr);
    ~TGridWidget() override;

    TCustomGrid* Grid() const { return FGrid; }
    void SetGrid(TCustomGrid* grid);

    // The in-place editor while it is shown (a QLineEdit or a QPlainTextEdit), else null.
    QWidget* Editor() const;

    // Qt key and modifier state as the grid's key handlers see them.
    static TKey KeyToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
    static TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});

    // ---- IGridHost ----
    void InvalidateRect(const TRect& r) override;
    void SetFocus() override;
    bool Focused() const override;
    void SetCursor(TGridCursor cursor) override;
    void UpdateScrollBars(const TGridScrollBarInfo& horz, const TGridScrollBarInfo& vert) override;
    void ShowEditor(const TRect& bounds, const TInplaceEditorSpec& spec, const QString& text) override;
    void MoveEditor(const TRect& bounds) override;
    void HideEditor() override;
    QString EditorText() const override;
    void SetEditorText(const QString& text) override;
    void EditorTypeChar(QChar ch) override;
    void ShowHint(const QString& text, TPoint pos) override;
    void HideHint() override;
    void Post(std::function<void()> fn) override;
    void GridDestroyed() override;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void syncClientSize();
    void focusMoved(QWidget* old, QWidget* now);
    bool editorKey(QKeyEvent* e);
    void editorEdited();
    void placeEditor(const TRect& bounds);
    void scrollBarMoved(bool vertical);
    void dragScrollTick();
    bool ownsFocusWidget(QWidget* w) const;

    TCustomGrid* FGrid = nullptr;
    // Bumped whenever the grid changes, so that notifications posted for an old grid
    // never reach it.
    uint64_t FGridGeneration = 0;

    QLineEdit* FLineEdit = nullptr;
    QPlainTextEdit* FMemo = nullptr;
    QWidget* FActiveEditor = nullptr;
    bool FSettingEditorText = false;

    bool FUpdatingBars = false;
    QSize FClientSize{-1, -1};
    bool FFocusInside = false;
    QTimer FDragTimer;
    bool FButtonsDown = false;
    QMetaObject::Connection FFocusConnection;
};
