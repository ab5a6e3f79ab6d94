#pragma once
// The recent-file lists of eight known applications: the table that names them, counting and
// emptying each list, and the user's choice of applications kept in the settings key.
//
// A list is kept in one of two ways:
//   numbered     values <name><n>, <name><n+1>, ... from the row's first number up to the first
//                missing number;
//   letter list  a text value <name> whose characters each name one value of the list.
// A count is the number of entries found, or -1 when the row's key cannot be opened.

#include <cstdint>

namespace tidy::app {
struct RunState;
}

namespace tidy::mru {

// How a row's list is kept.
enum class MruScheme { Numbered, LetterList };

MruScheme SchemeOfRow(int row);
// Whether "FCount" in the row's key is reset to 0 after the row is cleared.
bool ResetsFCount(int row);

// Fills the table and loads the tick marks.
void BuildMruTable(app::RunState& run);
// Empties the three string lists and sets the integer tables to 0.
void ResetMruTable(app::RunState& run);
// True when all three string lists hold exactly one entry per row.
bool MruTableWellFormed(const app::RunState& run);

// The value "MRU" of the settings key to and from the tick marks.
void LoadMruSelection(app::RunState& run);
void SaveMruSelection(app::RunState& run);

// The row's count; with clear the entries counted are deleted as they are counted. Rows
// outside 0 to 7 give 0.
int32_t MruEntryCount(app::RunState& run, int row, bool clear);
int32_t CountNumberedValues(app::RunState& run, int row, bool clear);
// Serves rows 4 to 7 only; any other row gives 0.
int32_t CountLetterList(app::RunState& run, int row, bool clear);
// Writes 0 over an existing four-byte "FCount" of the row's key; changes nothing else.
void ResetFCount(app::RunState& run, int row);

// MruEntryCount(row, true) for every ticked row, in row order.
void ClearSelectedMru(app::RunState& run);

}  // namespace tidy::mru
