// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the rows of a select to a stream as CSV or JSON, one row at a time (memory does not
// grow with the table).
//
// CSV: a header line of column names, then one line per row. Text, memo, date and binary values
// are quoted ("" stands for one quote); numbers and Yes/No (1/0) are bare; NULL is an empty,
// unquoted field, so NULL and empty text differ. Dates are "YYYY-MM-DD HH:MM:SS", followed by
// ".mmm" when they have milliseconds; Decimal values are exact; binary and OLE values are
// upper-case hex, GUIDs in braces.
// JSON: an array with one object per row, keys in column order; NULL is null.
// Table: for reading at a terminal; the rows are collected first to align the columns (text
// left, numbers right, East Asian wide characters counted as two), NULL shown empty.
#pragma once

#include "jet/sql/resultcursor.h"

#include <cstdio>

namespace Qb::Cli {

enum class OutputFormat { Csv, Json, Table };

// Writes every remaining row of `cursor`, after a line of column names when `header` (CSV and
// table). Fails with the cursor's error if a row cannot be read (what was written so far stays
// written).
Jet::Result<std::uint64_t> writeRows(Jet::ResultCursor &cursor, OutputFormat format, std::FILE *out,
                                     bool header = true);

// The table format's text for rows already read: `cells[r][c]`, `numeric[c]` right-aligned.
std::string tableText(const std::vector<std::string> &names, const std::vector<std::vector<std::string>> &cells,
                      const std::vector<bool> &numeric, bool header);

} // namespace Qb::Cli
