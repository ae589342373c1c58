#include "GridWidget.h"

#include "Canvas.h"
#include "Colors.h"
#include "Grids.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace {

bool mouseButton(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton: out = mbLeft; return true;
    case Qt::RightButton: out = mbRight; return true;
    case Qt::MiddleButton: out = mbMiddle; return true;
    default: return false;
    }
}

Qt::Alignment qtAlignment(TAlignment a) {
    switch (a) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// Cells break lines with CR LF; the multi-line editor works with LF.
QString toEditorBreaks(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

QString toCellBreaks(const QString& text) {
    QString out = text;
    out.replace(u'\n', QStringLiteral("\r\n"));
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TGridWidget::TGridWidget(TCustomGrid* grid, QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::WheelFocus);
    viewport()->setFocusProxy(this);
    viewport()->setMouseTracking(true);
    // The grid paints every pixel of the client area.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    for (bool vertical : {false, true}) {
        QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
        bar->setSingleStep(1);
        connect(bar, &QScrollBar::valueChanged, this, [this, vertical] { scrollBarMoved(vertical); });
        connect(bar, &QScrollBar::sliderReleased, this, [this, vertical, bar] {
            if (FGrid && !FUpdatingBars) FGrid->ScrollBarMoved(vertical, bar->value(), false);
        });
    }

    FDragTimer.setInterval(60);
    connect(&FDragTimer, &QTimer::timeout, this, [this] { dragScrollTick(); });
    FFocusConnection = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget* old, QWidget* now) { focusMoved(old, now); });
    SetGrid(grid);
}

TGridWidget::~TGridWidget() {
    // Children go away after this destructor; nothing they do may reach the grid.
    disconnect(FFocusConnection);
    if (FGrid) FGrid->SetHost(nullptr);
    FGrid = nullptr;
    ++FGridGeneration;
    delete FLineEdit;
    delete FMemo;
}

void TGridWidget::SetGrid(TCustomGrid* grid) {
    if (grid == FGrid) return;
    if (FActiveEditor) {
        FActiveEditor->hide();
        FActiveEditor = nullptr;
    }
    if (FGrid) FGrid->SetHost(nullptr);
    FGrid = grid;
    ++FGridGeneration;
    FClientSize = QSize(-1, -1);
    if (FGrid) {
        syncClientSize();
        FGrid->SetHost(this);
        if (FFocusInside) FGrid->FocusChanged(true);
    }
    viewport()->update();
}

void TGridWidget::GridDestroyed() {
    if (FActiveEditor) {
        FActiveEditor->hide();
        FActiveEditor = nullptr;
    }
    FGrid = nullptr;
    ++FGridGeneration;
    viewport()->update();
}

QWidget* TGridWidget::Editor() const { return FActiveEditor; }

QSize TGridWidget::sizeHint() const { return QSize(400, 300); }

// ---------------------------------------------------------------------------
// Key and shift mapping

TKey TGridWidget::KeyToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return TKey('A' + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return TKey('0' + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return TKey(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Plus: return (modifiers & Qt::KeypadModifier) ? VK_ADD : TKey(0xBB);
    case Qt::Key_Minus: return (modifiers & Qt::KeypadModifier) ? VK_SUBTRACT : TKey(0xBD);
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Period: return 0xBE;
    default: return 0;
    }
}

TShiftState TGridWidget::ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
    if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
    if (modifiers & Qt::AltModifier) s.Include(ssAlt);
    if (buttons & Qt::LeftButton) s.Include(ssLeft);
    if (buttons & Qt::RightButton) s.Include(ssRight);
    if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

// ---------------------------------------------------------------------------
// IGridHost

void TGridWidget::InvalidateRect(const TRect& r) {
    if (!r.IsEmpty()) viewport()->update(ToQRect(r));
}

void TGridWidget::SetFocus() { setFocus(Qt::OtherFocusReason); }

bool TGridWidget::ownsFocusWidget(QWidget* w) const { return w && (w == this || isAncestorOf(w)); }

bool TGridWidget::Focused() const { return ownsFocusWidget(QApplication::focusWidget()); }

void TGridWidget::SetCursor(TGridCursor cursor) {
    switch (cursor) {
    case gcColSize: viewport()->setCursor(Qt::SplitHCursor); break;
    case gcRowSize: viewport()->setCursor(Qt::SplitVCursor); break;
    case gcMove: viewport()->setCursor(Qt::SizeAllCursor); break;
    default: viewport()->unsetCursor(); break;
    }
}

void TGridWidget::UpdateScrollBars(const TGridScrollBarInfo& horz, const TGridScrollBarInfo& vert) {
    FUpdatingBars = true;
    auto apply = [](QScrollBar* bar, const TGridScrollBarInfo& info) {
        const int page = std::max(1, info.Page);
        bar->setRange(info.Min, std::max(info.Min, info.Max - page + 1));
        bar->setPageStep(page);
        // Leave a thumb that the user is dragging where it is (no thumb tracking).
        if (!bar->isSliderDown()) bar->setValue(info.Position);
    };
    apply(horizontalScrollBar(), horz);
    apply(verticalScrollBar(), vert);
    setHorizontalScrollBarPolicy(horz.Visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vert.Visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    FUpdatingBars = false;
    // Showing or hiding a bar changes the client size; the grid settles on that (each
    // round can only add a bar that is still needed or drop one that is not).
    syncClientSize();
}

void TGridWidget::placeEditor(const TRect& bounds) {
    if (!FActiveEditor || !FGrid) return;
    // The cell's right and bottom pixel stay visible around the editor.
    const QRect geometry(bounds.Left, bounds.Top, std::max(0, bounds.Width() - 1),
                         std::max(0, bounds.Height() - 1));
    // A cell scrolled (partly) under the fixed rows or columns must not cover them. The
    // editor keeps the focus meanwhile, so it is masked or moved out of sight, not hidden.
    const QRect scrollArea(QPoint(FGrid->FixedWidth(), FGrid->FixedHeight()),
                           QPoint(std::max(viewport()->width(), geometry.right()),
                                  std::max(viewport()->height(), geometry.bottom())));
    const QRect shown = geometry.intersected(scrollArea);
    if (shown.isEmpty()) {
        FActiveEditor->clearMask();
        FActiveEditor->setGeometry(-geometry.width() - 16, -geometry.height() - 16, geometry.width(),
                                   geometry.height());
        return;
    }
    FActiveEditor->setGeometry(geometry);
    if (shown == geometry) FActiveEditor->clearMask();
    else FActiveEditor->setMask(QRegion(shown.translated(-geometry.topLeft())));
}

void TGridWidget::ShowEditor(const TRect& bounds, const TInplaceEditorSpec& spec, const QString& text) {
    if (!FGrid) return;
    const bool hadFocus = Focused();
    QWidget* editor = nullptr;
    FSettingEditorText = true;
    if (spec.WordWrap) {
        if (!FMemo) {
            FMemo = new QPlainTextEdit(viewport());
            FMemo->setFrameShape(QFrame::NoFrame);
            FMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            FMemo->installEventFilter(this);
            connect(FMemo, &QPlainTextEdit::textChanged, this, [this] { editorEdited(); });
        }
        FMemo->setReadOnly(spec.ReadOnly);
        FMemo->setPlainText(toEditorBreaks(text));
        QTextOption option = FMemo->document()->defaultTextOption();
        option.setAlignment(qtAlignment(spec.Alignment));
        FMemo->document()->setDefaultTextOption(option);
        QTextCursor cursor = FMemo->textCursor();
        cursor.movePosition(QTextCursor::End);
        if (spec.SelectAll) cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        FMemo->setTextCursor(cursor);
        editor = FMemo;
    } else {
        if (!FLineEdit) {
            FLineEdit = new QLineEdit(viewport());
            FLineEdit->setFrame(false);
            FLineEdit->installEventFilter(this);
            connect(FLineEdit, &QLineEdit::textEdited, this, [this] { editorEdited(); });
        }
        FLineEdit->setReadOnly(spec.ReadOnly);
        FLineEdit->setMaxLength(spec.MaxLength > 0 ? spec.MaxLength : 32767);
        FLineEdit->setEchoMode(spec.PasswordChar.isNull() ? QLineEdit::Normal : QLineEdit::Password);
        FLineEdit->setAlignment(qtAlignment(spec.Alignment) | Qt::AlignVCenter);
        FLineEdit->setText(text);
        if (spec.SelectAll) FLineEdit->selectAll();
        else FLineEdit->end(false);
        editor = FLineEdit;
    }
    FSettingEditorText = false;

    if (FActiveEditor && FActiveEditor != editor) FActiveEditor->hide();
    editor->setFont(FGrid->Font().ToQFont());
    QPalette pal = editor->palette();
    const QColor back = ColorToQColor(spec.Color);
    const QColor fore = ColorToQColor(spec.FontColor);
    if (back.isValid()) pal.setColor(QPalette::Base, back);
    if (fore.isValid()) pal.setColor(QPalette::Text, fore);
    editor->setPalette(pal);
    FActiveEditor = editor;
    placeEditor(bounds);
    editor->show();
    editor->raise();
    if (hadFocus) editor->setFocus(Qt::OtherFocusReason);
}

void TGridWidget::MoveEditor(const TRect& bounds) { placeEditor(bounds); }

void TGridWidget::HideEditor() {
    QWidget* editor = FActiveEditor;
    if (!editor) return;
    // Keep the keyboard on the grid when the editor had it (so that this is no exit).
    if (editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    editor->hide();
    FActiveEditor = nullptr;
}

QString TGridWidget::EditorText() const {
    if (FActiveEditor && FActiveEditor == FLineEdit) return FLineEdit->text();
    if (FActiveEditor && FActiveEditor == FMemo) return toCellBreaks(FMemo->toPlainText());
    return QString();
}

void TGridWidget::SetEditorText(const QString& text) {
    FSettingEditorText = true;
    if (FActiveEditor == FLineEdit && FLineEdit) FLineEdit->setText(text);
    else if (FActiveEditor == FMemo && FMemo) FMemo->setPlainText(toEditorBreaks(text));
    FSettingEditorText = false;
}

void TGridWidget::EditorTypeChar(QChar ch) {
    // Queued behind the events already waiting, as a typed character would be.
    const uint64_t generation = FGridGeneration;
    QMetaObject::invokeMethod(this, [this, generation, ch] {
        if (generation != FGridGeneration || !FGrid || !FActiveEditor) return;
        QChar c = ch;
        if (FGrid->EditorKeyPress(c) || !FActiveEditor || c.isNull()) return;
        FSettingEditorText = true;
        if (FActiveEditor == FLineEdit) {
            if (c == QChar(0x08)) FLineEdit->backspace();
            else if (c.isPrint()) FLineEdit->insert(QString(c));
        } else if (FActiveEditor == FMemo) {
            if (c == QChar(0x08)) FMemo->textCursor().deletePreviousChar();
            else if (c == u'\r' || c == u'\n') FMemo->insertPlainText(QStringLiteral("\n"));
            else if (c.isPrint()) FMemo->insertPlainText(QString(c));
        }
        FSettingEditorText = false;
        editorEdited();
    }, Qt::QueuedConnection);
}

void TGridWidget::ShowHint(const QString& text, TPoint pos) {
    QToolTip::showText(viewport()->mapToGlobal(QPoint(pos.X, pos.Y)), text, viewport());
}

void TGridWidget::HideHint() { QToolTip::hideText(); }

void TGridWidget::Post(std::function<void()> fn) {
    if (!fn) return;
    const uint64_t generation = FGridGeneration;
    QMetaObject::invokeMethod(this, [this, generation, fn = std::move(fn)] {
        if (generation == FGridGeneration && FGrid) fn();
    }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Events

void TGridWidget::syncClientSize() {
    const QSize s = viewport()->size();
    if (s == FClientSize) return;
    FClientSize = s;
    if (FGrid) FGrid->SetClientSize(s.width(), s.height());
}

void TGridWidget::scrollBarMoved(bool vertical) {
    if (!FGrid || FUpdatingBars) return;
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    FGrid->ScrollBarMoved(vertical, bar->value(), bar->isSliderDown());
}

void TGridWidget::scrollContentsBy(int, int) {
    // Scrolling is in cells and done by the grid, which repaints what moved.
}

void TGridWidget::focusMoved(QWidget* old, QWidget* now) {
    if (!FGrid) {
        FFocusInside = ownsFocusWidget(now);
        return;
    }
    if (FActiveEditor && old && (old == FActiveEditor || FActiveEditor->isAncestorOf(old)) &&
        now != this)
        FGrid->EditorExit();
    const bool inside = ownsFocusWidget(now);
    if (inside != FFocusInside) {
        FFocusInside = inside;
        if (FGrid) FGrid->FocusChanged(inside);
    }
}

bool TGridWidget::event(QEvent* e) {
    // Tab and Shift+Tab belong to the grid when it wants them; otherwise they move the focus.
    if (e->type() == QEvent::KeyPress && FGrid) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && FGrid->WantsTab()) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

bool TGridWidget::viewportEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::Resize: {
        const bool r = QAbstractScrollArea::viewportEvent(e);
        syncClientSize();
        return r;
    }
    case QEvent::ToolTip: {
        auto* he = static_cast<QHelpEvent*>(e);
        QString text;
        TPoint pos{he->pos().x(), he->pos().y()};
        if (FGrid && FGrid->HintRequest(he->pos().x(), he->pos().y(), text, pos) && !text.isEmpty())
            ShowHint(text, pos);
        else
            HideHint();
        return true;
    }
    case QEvent::Leave:
        if (FGrid) FGrid->MouseLeave();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void TGridWidget::paintEvent(QPaintEvent*) {
    syncClientSize();
    QPainter painter(viewport());
    if (!FGrid) {
        painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
        return;
    }
    TCanvas canvas(&painter);
    FGrid->Paint(canvas);
}

void TGridWidget::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    syncClientSize();
}

void TGridWidget::mousePressEvent(QMouseEvent* e) {
    TMouseButton button;
    if (!FGrid || !mouseButton(e->button(), button)) return;
    const QPoint p = e->position().toPoint();
    FButtonsDown = e->buttons() != Qt::NoButton;
    FGrid->MouseDown(button, ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
    FDragTimer.start();
}

void TGridWidget::mouseMoveEvent(QMouseEvent* e) {
    if (!FGrid) return;
    const QPoint p = e->position().toPoint();
    FGrid->MouseMove(ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TGridWidget::mouseReleaseEvent(QMouseEvent* e) {
    TMouseButton button;
    FButtonsDown = e->buttons() != Qt::NoButton;
    if (!FButtonsDown) FDragTimer.stop();
    if (!FGrid || !mouseButton(e->button(), button)) return;
    const QPoint p = e->position().toPoint();
    FGrid->MouseUp(button, ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TGridWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    TMouseButton button;
    if (!FGrid || !mouseButton(e->button(), button)) return;
    const QPoint p = e->position().toPoint();
    FButtonsDown = e->buttons() != Qt::NoButton;
    FGrid->DblClick(button, ShiftStateOf(e->modifiers(), e->buttons()) + ssDouble, p.x(), p.y());
    FDragTimer.start();
}

void TGridWidget::dragScrollTick() {
    // While a button is held the grid scrolls towards a pointer that left its cells (it
    // knows the last pointer position and does nothing when there is nothing to scroll).
    if (!FGrid || !FButtonsDown) {
        FDragTimer.stop();
        return;
    }
    FGrid->DragScrollTick();
}

void TGridWidget::wheelEvent(QWheelEvent* e) {
    const int delta = e->angleDelta().y();
    if (!FGrid || delta == 0) {
        e->ignore();
        return;
    }
    const QPoint p = e->position().toPoint();
    const bool handled = FGrid->DoMouseWheel(ShiftStateOf(e->modifiers(), e->buttons()), delta, TPoint{p.x(), p.y()});
    e->setAccepted(handled);
}

void TGridWidget::keyPressEvent(QKeyEvent* e) {
    if (!FGrid) {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    TKey key = KeyToVirtualKey(e->key(), e->modifiers());
    if (key != 0) FGrid->KeyDown(key, ShiftStateOf(e->modifiers()));
    // Every character the key produces follows, as typed text.
    for (QChar ch : e->text()) FGrid->CharTyped(ch);
    e->accept();
}

void TGridWidget::keyReleaseEvent(QKeyEvent* e) {
    if (!FGrid) {
        QAbstractScrollArea::keyReleaseEvent(e);
        return;
    }
    TKey key = KeyToVirtualKey(e->key(), e->modifiers());
    if (key != 0) FGrid->KeyUp(key, ShiftStateOf(e->modifiers()));
    e->accept();
}

// ---------------------------------------------------------------------------
// The in-place editor's keys and text

bool TGridWidget::eventFilter(QObject* watched, QEvent* e) {
    if (FGrid && FActiveEditor && watched == FActiveEditor && e->type() == QEvent::KeyPress)
        return editorKey(static_cast<QKeyEvent*>(e));
    return QAbstractScrollArea::eventFilter(watched, e);
}

bool TGridWidget::editorKey(QKeyEvent* e) {
    // The grid sees each key first; what it takes never reaches the editor.
    TKey key = KeyToVirtualKey(e->key(), e->modifiers());
    if (key != 0) {
        int selStart = 0, selLength = 0, textLength = 0;
        if (FActiveEditor == FLineEdit) {
            textLength = int(FLineEdit->text().size());
            if (FLineEdit->hasSelectedText()) {
                selStart = FLineEdit->selectionStart();
                selLength = int(FLineEdit->selectedText().size());
            } else {
                selStart = FLineEdit->cursorPosition();
            }
        } else {
            const QTextCursor cursor = FMemo->textCursor();
            textLength = int(FMemo->toPlainText().size());
            selStart = cursor.selectionStart();
            selLength = cursor.selectionEnd() - cursor.selectionStart();
        }
        if (FGrid->EditorKeyDown(key, ShiftStateOf(e->modifiers()), selStart, selLength, textLength))
            return true;
        if (!FActiveEditor) return true;   // the grid closed the editor
    }
    const QString text = e->text();
    if (text.size() != 1) return false;
    const QChar typed = text[0];
    QChar c = typed;
    if (FGrid->EditorKeyPress(c) || !FActiveEditor || c.isNull()) return true;
    if (c == typed) return false;          // the editor handles the key itself
    // The grid replaced the character: type the replacement instead.
    FSettingEditorText = true;
    if (FActiveEditor == FLineEdit) FLineEdit->insert(QString(c));
    else FMemo->insertPlainText(QString(c));
    FSettingEditorText = false;
    editorEdited();
    return true;
}

void TGridWidget::editorEdited() {
    if (FSettingEditorText || !FGrid || !FActiveEditor) return;
    FGrid->EditorTextChanged(EditorText());
}
