// Undo and redo of cell changes.
#include "GridTestSupport.h"

#include "QelGridUndo.h"

#include <vector>

namespace {

class Undo : public GridTest {
protected:
    void SetUp() override
    {
        GridTest::SetUp();
        grid->SetUndoRedo(&undo);
    }
    void TearDown() override
    {
        grid->SetUndoRedo(nullptr);
        GridTest::TearDown();
    }
    // Writes a cell and registers the change, as an edit does.
    void Edit(int col, int row, const QString& text)
    {
        undo.RegisterChange(col, row, grid->ReadCellText(col, row), text);
        grid->WriteCellText(col, row, text);
    }
    QString At(int col, int row) { return grid->ReadCellText(col, row); }

    TQelGridUndoRedo undo;
};

TEST_F(Undo, AssigningTellsTheComponentItsGrid)
{
    EXPECT_EQ(undo.Grid(), grid.get());
    EXPECT_EQ(grid->UndoRedo(), &undo);
    {
        TQelGridUndoRedo other;
        grid->SetUndoRedo(&other);
        EXPECT_EQ(undo.Grid(), nullptr);
        EXPECT_EQ(other.Grid(), grid.get());
    }
    EXPECT_EQ(grid->UndoRedo(), nullptr);  // the component went away first
    grid->SetUndoRedo(&undo);
}

TEST_F(Undo, SingleEntriesGoBackAndForth)
{
    struct Call {
        int col, row;
        QString orig, value;
    };
    std::vector<Call> undone, redone;
    undo.OnUndo = [&](TQelGridUndoRedo* s, TQelStringGrid* g, int c, int r, const QString& o, const QString& n) {
        EXPECT_EQ(s, &undo);
        EXPECT_EQ(g, grid.get());
        undone.push_back({c, r, o, n});
    };
    undo.OnRedo = [&](TQelGridUndoRedo*, TQelStringGrid*, int c, int r, const QString& o, const QString& n) {
        redone.push_back({c, r, o, n});
    };
    Edit(1, 1, QStringLiteral("a"));
    Edit(2, 3, QStringLiteral("b"));
    Edit(1, 1, QStringLiteral("c"));
    EXPECT_EQ(undo.Count(), 3);
    EXPECT_EQ(undo.Level(), 3);
    EXPECT_TRUE(undo.CanUndo());
    EXPECT_FALSE(undo.CanRedo());

    undo.Undo();
    EXPECT_EQ(At(1, 1), QStringLiteral("a"));
    ASSERT_EQ(undone.size(), 1u);
    EXPECT_EQ(undone[0].orig, QStringLiteral("c"));
    EXPECT_EQ(undone[0].value, QStringLiteral("a"));
    undo.Undo();
    EXPECT_EQ(At(2, 3), QString());
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Row(), 3);
    undo.Undo();
    undo.Undo();  // nothing left
    EXPECT_EQ(At(1, 1), QString());
    EXPECT_EQ(undo.Level(), 0);
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_EQ(undone.size(), 3u);

    undo.Redo();
    undo.Redo();
    EXPECT_EQ(At(1, 1), QStringLiteral("a"));
    EXPECT_EQ(At(2, 3), QStringLiteral("b"));
    ASSERT_EQ(redone.size(), 2u);
    EXPECT_EQ(redone[1].orig, QString());
    EXPECT_EQ(redone[1].value, QStringLiteral("b"));
    undo.Redo();
    undo.Redo();  // nothing above the last
    EXPECT_EQ(At(1, 1), QStringLiteral("c"));
    EXPECT_EQ(undo.Level(), 3);
}

TEST_F(Undo, SequencesAreUndoneAndRedoneAsOne)
{
    Edit(1, 1, QStringLiteral("before"));
    undo.StartSequence();
    Edit(1, 1, QStringLiteral("x"));
    Edit(2, 1, QStringLiteral("y"));
    Edit(3, 1, QStringLiteral("z"));
    undo.StopSequence();
    EXPECT_EQ(undo.Count(), 6);
    EXPECT_TRUE(undo.Items(1).SequenceStart);
    EXPECT_TRUE(undo.Items(5).SequenceStop);
    EXPECT_EQ(undo.Items(5).Col, -1);

    undo.Undo();
    EXPECT_EQ(undo.Level(), 1);
    EXPECT_EQ(At(1, 1), QStringLiteral("before"));
    EXPECT_EQ(At(2, 1), QString());
    EXPECT_EQ(At(3, 1), QString());

    undo.Redo();
    EXPECT_EQ(undo.Level(), 6);
    EXPECT_EQ(At(1, 1), QStringLiteral("x"));
    EXPECT_EQ(At(3, 1), QStringLiteral("z"));
}

TEST_F(Undo, MaxLevelDropsTheOldestAndTheWalkStopsAtTheFirstEntry)
{
    undo.SetMaxLevel(3);
    undo.StartSequence();
    Edit(1, 1, QStringLiteral("a"));
    Edit(1, 2, QStringLiteral("b"));
    Edit(1, 3, QStringLiteral("c"));  // drops the start marker
    undo.StopSequence();
    EXPECT_EQ(undo.Count(), 4);
    EXPECT_FALSE(undo.Items(0).SequenceStart);

    undo.Undo();  // no start marker left: ends at the first entry
    EXPECT_EQ(undo.Level(), 0);
    EXPECT_EQ(At(1, 1), QString());
    EXPECT_EQ(At(1, 2), QString());
    EXPECT_EQ(At(1, 3), QString());
    undo.Undo();
    EXPECT_EQ(undo.Level(), 0);

    // Plain entries beyond MaxLevel.
    undo.Reset();
    for (int i = 0; i < 10; ++i)
        Edit(2, 1, QString::number(i));
    EXPECT_EQ(undo.Count(), 3);
    for (int i = 0; i < 5; ++i)
        undo.Undo();
    EXPECT_EQ(undo.Level(), 0);
    EXPECT_EQ(At(2, 1), QStringLiteral("6"));
}

TEST_F(Undo, NewChangesAreAppendedAfterUndoneEntries)
{
    Edit(1, 1, QStringLiteral("a"));
    Edit(1, 1, QStringLiteral("b"));
    undo.Undo();
    EXPECT_TRUE(undo.CanRedo());
    Edit(1, 2, QStringLiteral("n"));
    EXPECT_EQ(undo.Count(), 3);
    EXPECT_EQ(undo.Level(), 3);
    EXPECT_FALSE(undo.CanRedo());
}

TEST_F(Undo, EntriesOfCellsThatNoLongerExistChangeNothing)
{
    Edit(4, 9, QStringLiteral("last"));
    grid->SetRowCount(5);
    undo.Undo();
    EXPECT_EQ(undo.Level(), 0);
    undo.Redo();
    EXPECT_EQ(undo.Level(), 1);

    TQelGridUndoRedo alone;
    alone.RegisterChange(1, 1, QString(), QStringLiteral("x"));
    alone.Undo();  // no grid: nothing
    EXPECT_EQ(alone.Level(), 1);
}

}  // namespace
