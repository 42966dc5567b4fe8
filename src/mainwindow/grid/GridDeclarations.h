#pragma once
// The monitoring grids as the program shows them: for each grid its snapshot, its bands with
// their columns left to right (column name and caption), the hidden columns, the column sorted
// at start, the columns with a value filter, whether it has a group panel and which columns the
// footer sums. One constant declaration per grid; the grid widget builds itself from it.

#include "monitor/MonitoringCatalogue.h"

#include <span>

namespace grids {

struct GridColumn {
    const char* column;   // the snapshot's column name
    const char* caption;  // nullptr: the column's display label
};

struct GridBand {
    const char* caption;  // nullptr: a grid without a band row
    std::span<const GridColumn> columns;
};

struct GridDecl {
    catalogue::SnapshotId snapshot;
    const char* gridName;                       // "dbgrdStatements"
    std::span<const GridBand> bands;            // the shown columns, left to right
    std::span<const char* const> hiddenColumns; // in the data, not displayed
    const char* sortedColumn;                   // sorted ascending at start; nullptr when none
    std::span<const char* const> filterColumns; // a value filter in their headers
    bool groupPanel;
    std::span<const char* const> footerSums;    // summed in the footer line; empty: no footer
};

enum class GridId { Procedures, Statements, Relations, Transactions, Attachments, Pools };

const GridDecl& gridDecl(GridId id);

}  // namespace grids
