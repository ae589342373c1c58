// Shared pieces of the grid tests: a grid that opens its protected data-model
// operations, a live-object check and the application object.
#pragma once

#include "BaseGrid.h"
#include "FormatSettings.h"
#include "QelGrid.h"

#include <gtest/gtest.h>

#include <memory>

class TTestGrid : public TQelStringGrid {
public:
    using TQelStringGrid::FHasCellProps;
    using TQelStringGrid::FNormalRowCount;
    using TQelStringGrid::HideColumnData;
    using TQelStringGrid::HideRowData;
    using TQelStringGrid::UnHideColumnData;
    using TQelStringGrid::UnHideRowData;
};

// Counts of live property objects and graphics when the check was made; the
// destructor of the fixture verifies that everything made since is gone.
struct TLiveObjects {
    int Props = TCellProperties::LiveCount();
    int Graphics = TCellGraphic::LiveCount();
    int NewProps() const { return TCellProperties::LiveCount() - Props; }
    int NewGraphics() const { return TCellGraphic::LiveCount() - Graphics; }
};

// Pins "." and "," and restores the settings afterwards.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatSettings().DecimalSeparator = u'.';
        FormatSettings().ThousandSeparator = u',';
        grid = std::make_unique<TTestGrid>();
    }
    void TearDown() override
    {
        grid.reset();
        EXPECT_EQ(live_.NewProps(), 0) << "cell properties leaked or freed twice";
        EXPECT_EQ(live_.NewGraphics(), 0) << "cell graphics leaked or freed twice";
    }
    TFormatSettingsGuard guard_;
    TLiveObjects live_;
    std::unique_ptr<TTestGrid> grid;
};
