// The in-place editor protocol between TCustomGrid, TStringGrid and a host, with a host
// that records what the grid asks of it; and posted notifications.
#include "Grids.h"

#include <gtest/gtest.h>

namespace {

struct TRecordingHost : IGridHost {
    std::vector<std::string> log;
    bool focused = true;
    bool editorShown = false;
    QString editorText;
    TRect editorBounds;
    TInplaceEditorSpec spec;
    std::vector<QChar> typed;
    std::vector<std::function<void()>> posted;
    int invalidations = 0;
    TRect lastInvalid;
    TGridScrollBarInfo vert;

    void InvalidateRect(const TRect& r) override {
        ++invalidations;
        lastInvalid = r;
    }
    void SetFocus() override { log.push_back("SetFocus"); }
    bool Focused() const override { return focused; }
    void SetCursor(TGridCursor c) override { log.push_back("Cursor" + std::to_string(int(c))); }
    void UpdateScrollBars(const TGridScrollBarInfo&, const TGridScrollBarInfo& v) override { vert = v; }
    void ShowEditor(const TRect& b, const TInplaceEditorSpec& s, const QString& text) override {
        log.push_back("ShowEditor " + text.toStdString());
        editorShown = true;
        editorBounds = b;
        spec = s;
        editorText = text;
    }
    void MoveEditor(const TRect& b) override { editorBounds = b; }
    void HideEditor() override {
        log.push_back("HideEditor");
        editorShown = false;
    }
    QString EditorText() const override { return editorText; }
    void SetEditorText(const QString& t) override { editorText = t; }
    void EditorTypeChar(QChar ch) override { typed.push_back(ch); }
    void ShowHint(const QString&, TPoint) override {}
    void HideHint() override {}
    void Post(std::function<void()> fn) override { posted.push_back(std::move(fn)); }

    // The user types: the editor's text changes and the grid hears of it.
    void userTypes(TCustomGrid& g, const QString& text) {
        editorText = text;
        g.EditorTextChanged(text);
    }
};

struct GridEditor : ::testing::Test {
    TRecordingHost host;  // outlives the grid, which tells it when it goes
    TStringGrid g;
    std::vector<std::string> setEditTexts;
    GridEditor() {
        g.SetHost(&host);
        g.SetOptions(g.Options() + goEditing);
        g.SetCells(1, 1, "one");
        g.SetCells(2, 1, "two");
        g.OnSetEditText = [this](TObject*, int c, int r, const QString& v) {
            setEditTexts.push_back(std::to_string(c) + "," + std::to_string(r) + "=" + v.toStdString());
        };
    }
};

TEST_F(GridEditor, EnterTogglesAndTextFlowsIntoTheCell) {
    QChar enter('\r');
    g.KeyPress(enter);
    ASSERT_TRUE(host.editorShown);
    EXPECT_EQ(host.editorText, "one");
    EXPECT_EQ(host.editorBounds, g.CellRect(1, 1));
    EXPECT_TRUE(g.EditorMode());
    host.userTypes(g, "onex");
    EXPECT_EQ(g.Cells(1, 1), "onex");   // every change reaches the cell
    QChar enter2('\r');
    g.KeyPress(enter2);
    EXPECT_FALSE(host.editorShown);
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 1), "onex");
    // SetEditText ran on the change and again on close.
    EXPECT_EQ(setEditTexts, (std::vector<std::string>{"1,1=onex", "1,1=onex"}));
}

TEST_F(GridEditor, F2OpensAndEscapeRestores) {
    TKey f2 = VK_F2;
    g.KeyDown(f2, TShiftState{});
    ASSERT_TRUE(host.editorShown);
    host.userTypes(g, "changed");
    EXPECT_EQ(g.Cells(1, 1), "changed");
    TKey esc = VK_ESCAPE;
    EXPECT_TRUE(g.EditorKeyDown(esc, TShiftState{}, 7, 0, 7));
    EXPECT_FALSE(host.editorShown);
    EXPECT_EQ(g.Cells(1, 1), "one");
}

TEST_F(GridEditor, PrintableKeyOpensTheEditorAndIsRedelivered) {
    g.CharTyped(QChar('z'));
    EXPECT_TRUE(host.editorShown);
    EXPECT_TRUE(host.spec.SelectAll);
    ASSERT_EQ(host.typed.size(), 1u);
    EXPECT_EQ(host.typed[0], QChar('z'));
    // Without goEditing a character is only a key press.
    g.HideEditor();
    g.SetOptions(g.Options() - goEditing);
    std::vector<QChar> pressed;
    g.OnKeyPress = [&](TObject*, QChar& k) { pressed.push_back(k); };
    g.CharTyped(QChar('y'));
    EXPECT_FALSE(host.editorShown);
    EXPECT_EQ(pressed.size(), 1u);
}

TEST_F(GridEditor, NoEditorWithoutFocusOrInRowSelectMode) {
    host.focused = false;
    g.ShowEditor();
    EXPECT_FALSE(host.editorShown);
    host.focused = true;
    g.FocusChanged(true);   // focus arrives: the requested editor opens
    EXPECT_TRUE(host.editorShown);
    g.HideEditor();
    g.SetOptions(g.Options() + goRowSelect);
    g.ShowEditor();
    EXPECT_FALSE(host.editorShown);
}

TEST_F(GridEditor, MovingClosesTheEditorAndStoresItsText) {
    g.ShowEditor();
    host.userTypes(g, "first");
    TKey down = VK_DOWN;
    EXPECT_TRUE(g.EditorKeyDown(down, TShiftState{}, 0, 0, 5));   // Down belongs to the grid
    EXPECT_EQ(g.Row(), 2);
    EXPECT_FALSE(host.editorShown);
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.Cells(1, 1), "first");
}

TEST_F(GridEditor, AlwaysShowEditorFollowsTheCurrentCell) {
    g.SetOptions(g.Options() + goAlwaysShowEditor);
    ASSERT_TRUE(host.editorShown);
    EXPECT_EQ(host.editorText, "one");
    host.userTypes(g, "uno");
    TKey right = VK_RIGHT;
    // Right in the middle of the text stays in the editor; at the end it goes to the grid.
    EXPECT_FALSE(g.EditorKeyDown(right, TShiftState{}, 1, 0, 3));
    EXPECT_EQ(g.Col(), 1);
    EXPECT_TRUE(g.EditorKeyDown(right, TShiftState{}, 3, 0, 3));
    EXPECT_EQ(g.Col(), 2);
    EXPECT_TRUE(host.editorShown);
    EXPECT_EQ(host.editorText, "two");
    EXPECT_EQ(g.Cells(1, 1), "uno");
    TKey left = VK_LEFT;
    EXPECT_TRUE(g.EditorKeyDown(left, TShiftState{}, 0, 3, 3));   // whole text selected counts as start
    EXPECT_EQ(g.Col(), 1);
}

struct TEditorKeyCase {
    const char* name;
    TKey key;
    TShiftState shift;
    bool always;
    int selStart, selLength, textLength;
    bool taken;
};

class GridEditorKeys : public ::testing::TestWithParam<TEditorKeyCase> {};

TEST_P(GridEditorKeys, WhichKeysTheGridTakesFromTheEditor) {
    const TEditorKeyCase& tc = GetParam();
    TRecordingHost host;  // outlives the grid, which tells it when it goes
    TStringGrid g;
    g.SetHost(&host);
    g.SetOptions(g.Options() + goEditing + goTabs + (tc.always ? goAlwaysShowEditor : goEditing));
    g.ShowEditor();
    TKey key = tc.key;
    EXPECT_EQ(g.EditorKeyDown(key, tc.shift, tc.selStart, tc.selLength, tc.textLength), tc.taken) << tc.name;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, GridEditorKeys,
    ::testing::Values(TEditorKeyCase{"Tab", VK_TAB, {}, false, 0, 0, 3, true},
                      TEditorKeyCase{"AltTab", VK_TAB, {ssAlt}, false, 0, 0, 3, false},
                      TEditorKeyCase{"Up", VK_UP, {}, false, 1, 0, 3, true},
                      TEditorKeyCase{"PageDown", VK_NEXT, {}, false, 1, 0, 3, true},
                      TEditorKeyCase{"Insert", VK_INSERT, {}, false, 1, 0, 3, true},
                      TEditorKeyCase{"ShiftInsert", VK_INSERT, {ssShift}, false, 1, 0, 3, false},
                      TEditorKeyCase{"CtrlDelete", VK_DELETE, {ssCtrl}, false, 1, 0, 3, true},
                      TEditorKeyCase{"Delete", VK_DELETE, {}, false, 1, 0, 3, false},
                      TEditorKeyCase{"LeftAtStartNotAlways", VK_LEFT, {}, false, 0, 0, 3, false},
                      TEditorKeyCase{"LeftAtStartAlways", VK_LEFT, {}, true, 0, 0, 3, true},
                      TEditorKeyCase{"HomeInsideAlways", VK_HOME, {}, true, 2, 0, 3, false},
                      TEditorKeyCase{"CtrlHomeAlways", VK_HOME, {ssCtrl}, true, 2, 0, 3, true},
                      TEditorKeyCase{"EndAtEndAlways", VK_END, {}, true, 3, 0, 3, true},
                      TEditorKeyCase{"RightInsideAlways", VK_RIGHT, {}, true, 1, 0, 3, false},
                      TEditorKeyCase{"Letter", 'A', {}, false, 1, 0, 3, false}),
    [](const ::testing::TestParamInfo<TEditorKeyCase>& info) { return std::string(info.param.name); });

TEST_F(GridEditor, OtherEditorKeysReachOnKeyDownWhichMayConsumeThem) {
    g.ShowEditor();
    std::vector<TKey> seen;
    g.OnKeyDown = [&](TObject*, TKey& k, TShiftState) {
        seen.push_back(k);
        if (k == 'Q') k = 0;
    };
    TKey a = 'A';
    EXPECT_FALSE(g.EditorKeyDown(a, TShiftState{}, 0, 0, 0));
    TKey q = 'Q';
    EXPECT_TRUE(g.EditorKeyDown(q, TShiftState{}, 0, 0, 0));
    EXPECT_EQ(seen, (std::vector<TKey>{'A', 'Q'}));
}

TEST_F(GridEditor, EditorCharactersGoThroughKeyPress) {
    g.ShowEditor();
    g.OnKeyPress = [](TObject*, QChar& k) {
        if (k == QChar('x')) k = QChar();
        if (k == QChar('a')) k = QChar('b');
    };
    QChar x('x');
    EXPECT_TRUE(g.EditorKeyPress(x));
    QChar a('a');
    EXPECT_FALSE(g.EditorKeyPress(a));
    EXPECT_EQ(a, QChar('b'));
    QChar enter('\r');
    EXPECT_TRUE(g.EditorKeyPress(enter));   // Enter closes the editor
    EXPECT_FALSE(host.editorShown);
}

TEST_F(GridEditor, SettingTheCellUnderTheEditorRefreshesIt) {
    g.ShowEditor();
    g.SetCells(1, 1, "from code");
    EXPECT_EQ(host.editorText, "from code");
    g.SetCells(2, 1, "elsewhere");
    EXPECT_EQ(host.editorText, "from code");
}

TEST_F(GridEditor, StoresOnlyWhenTheTextDiffers) {
    int cellWrites = 0;
    host.invalidations = 0;
    g.ShowEditor();
    const int before = host.invalidations;
    g.HideEditor();   // unchanged text: no write, no repaint of the cell
    (void)cellWrites;
    EXPECT_EQ(host.invalidations, before);
    EXPECT_EQ(setEditTexts, (std::vector<std::string>{"1,1=one"}));
}

TEST_F(GridEditor, ClickOnTheCurrentCellOpensTheEditor) {
    const TRect r = g.CellRect(2, 1);
    g.MouseDown(mbLeft, TShiftState{}, r.Left + 3, r.Top + 3);
    g.MouseUp(mbLeft, TShiftState{}, r.Left + 3, r.Top + 3);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_FALSE(host.editorShown);
    g.MouseDown(mbLeft, TShiftState{}, r.Left + 3, r.Top + 3);
    g.MouseUp(mbLeft, TShiftState{}, r.Left + 3, r.Top + 3);
    EXPECT_TRUE(host.editorShown);
    EXPECT_EQ(host.editorText, "two");
}

TEST_F(GridEditor, ScrollingMovesTheEditor) {
    g.SetRowCount(100);
    g.ShowEditor();
    g.SetTopRow(3);
    EXPECT_EQ(host.editorBounds, g.CellRect(1, 1));
    EXPECT_LT(host.editorBounds.Top, 0);
}

TEST_F(GridEditor, CanEditModifyFalseOpensReadOnly) {
    struct TReadOnlyGrid : TStringGrid {
        bool CanEditModify() override { return false; }
    } ro;
    TRecordingHost h;
    ro.SetHost(&h);
    struct TDetach {
        TCustomGrid& grid;
        ~TDetach() { grid.SetHost(nullptr); }
    } detach{ro};
    ro.SetOptions(ro.Options() + goEditing);
    ro.ShowEditor();
    EXPECT_TRUE(h.spec.ReadOnly);
    TKey del = VK_DELETE;
    EXPECT_TRUE(ro.EditorKeyDown(del, TShiftState{}, 0, 0, 0));   // dropped
    EXPECT_EQ(del, 0);
    QChar c('c');
    EXPECT_TRUE(ro.EditorKeyPress(c));
}

TEST(GridEditorHeadless, WorksWithoutAHost) {
    TStringGrid g;
    g.SetOptions(g.Options() + goEditing);
    g.SetCells(1, 1, "old");
    g.SetFocus();
    EXPECT_TRUE(g.Focused());
    g.CharTyped(QChar('n'));   // replaces the selected text
    g.CharTyped(QChar('e'));
    g.CharTyped(QChar('w'));
    g.CharTyped(QChar(0x08));
    EXPECT_EQ(g.InplaceEditorText(), "ne");
    EXPECT_EQ(g.Cells(1, 1), "ne");
    QChar enter('\r');
    g.KeyPress(enter);
    EXPECT_FALSE(g.EditorVisible());
    EXPECT_EQ(g.Cells(1, 1), "ne");
}

TEST(GridPosting, WithoutAHostQueuedUntilProcessed) {
    TStringGrid g;
    std::vector<int> order;
    g.Post([&] {
        order.push_back(1);
        g.Post([&] { order.push_back(3); });
    });
    g.Post([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(g.PostedCount(), 2);
    g.ProcessPosted();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));   // what they post waits for the next round
    g.ProcessPosted();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(g.PostedCount(), 0);
}

TEST(GridPosting, WithAHostGoesToTheHost) {
    TRecordingHost host;  // outlives the grid, which tells it when it goes
    TStringGrid g;
    g.SetHost(&host);
    int ran = 0;
    g.Post([&] { ++ran; });
    EXPECT_EQ(g.PostedCount(), 0);
    ASSERT_EQ(host.posted.size(), 1u);
    host.posted[0]();
    EXPECT_EQ(ran, 1);
}

TEST(GridUpdates, BeginEndUpdateDefersRepaintsToOneRect) {
    TRecordingHost host;  // outlives the grid, which tells it when it goes
    TStringGrid g;
    g.SetHost(&host);
    host.invalidations = 0;
    g.BeginUpdate();
    g.BeginUpdate();
    g.SetCells(1, 1, "a");
    g.SetCells(3, 3, "b");
    g.EndUpdate();
    EXPECT_EQ(host.invalidations, 0);
    g.EndUpdate();
    EXPECT_EQ(host.invalidations, 1);
    const TRect a = g.CellRect(1, 1), b = g.CellRect(3, 3);
    EXPECT_EQ(host.lastInvalid, (TRect{a.Left, a.Top, b.Right + 1, b.Bottom + 1}));
    g.EndUpdate();   // unbalanced: harmless
    host.invalidations = 0;
    g.SetCells(2, 2, "c");
    EXPECT_EQ(host.invalidations, 1);
    const TRect c = g.CellRect(2, 2);
    EXPECT_EQ(host.lastInvalid, (TRect{c.Left, c.Top, c.Right + 1, c.Bottom + 1}));
}

TEST(GridUpdates, OffScreenCellsAreNotRepainted) {
    TRecordingHost host;  // outlives the grid, which tells it when it goes
    TStringGrid g;
    g.SetRowCount(1000);
    g.SetHost(&host);
    host.invalidations = 0;
    g.SetCells(1, 900, "far");
    EXPECT_EQ(host.invalidations, 0);
}

TEST(GridUpdates, ScrollBarsInCellUnits) {
    TRecordingHost host;  // outlives the grid, which tells it when it goes
    TStringGrid g;
    g.SetRowCount(100);
    g.SetClientSize(400, 300);
    g.SetHost(&host);
    EXPECT_TRUE(host.vert.Visible);
    EXPECT_EQ(host.vert.Min, 1);
    EXPECT_EQ(host.vert.Max, 99);
    EXPECT_EQ(host.vert.Max - host.vert.Page + 1, g.MaxTopLeft().Y);
    g.ScrollBarMoved(true, 40, true);   // tracking without goThumbTracking: ignored
    EXPECT_EQ(g.TopRow(), 1);
    g.ScrollBarMoved(true, 40, false);
    EXPECT_EQ(g.TopRow(), 40);
    EXPECT_EQ(host.vert.Position, 40);
}

}  // namespace
