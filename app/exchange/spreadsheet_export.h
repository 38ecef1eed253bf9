// Exporting one account's moves over a period as a worksheet: the layout of the sheet, and the
// export itself, which borrows the main window's ledger loading so that the rows come out
// filtered, sorted and balanced exactly as the ledger shows them.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "app/store/progress.h"
#include "platform/sysutils.h"
#include "xls/workbook.h"

namespace qm {

class TForm1;

// What the sheet shows; texts in the interface code page.
struct TExportSheet {
    AnsiString Account;     // row 0
    AnsiString PeriodLine;  // row 1
    std::array<AnsiString, 7> Captions;
    // The moves, cells as the ledger holds them: date, number, note, correspondent, the two
    // amounts and the running balance, amounts with a decimal comma.
    std::vector<std::array<AnsiString, 7>> Rows;
    bool TwoDecimals = false;  // amounts as "0.00", else "0"
};

// Adds one sheet named `sheetName` to `book` and lays the table out on it. Returns each
// column's width in characters, before the one character of margin the file gets. Raises
// EConvertError for an amount or balance cell that is no number. `progress` steps through the
// rows, of one step more than there are rows (the saving).
std::array<int, 7> BuildExportSheet(xls::TvteXLSWorkbook& book, const AnsiString& sheetName,
                                    const TExportSheet& sheet, const TProgressStep& progress = {});
// The same sheet, the rows' texts moved into the cells instead of copied: `sheet` keeps its
// rows, their texts emptied.
std::array<int, 7> BuildExportSheet(xls::TvteXLSWorkbook& book, const AnsiString& sheetName,
                                    TExportSheet&& sheet, const TProgressStep& progress = {});
// Columns 0 to 6 get (width + 1) characters.
void SetExportColumnWidths(xls::TvteXLSWorksheet& sheet, const std::array<int, 7>& widths);

// ".xls" is appended unless the name already ends so, in any letter case.
std::filesystem::path XlsFileName(const std::filesystem::path& chosen);

// The texts-table entries of the two amount captions of an account type.
std::array<int, 2> AmountCaptionEntries(int billTypeId);

struct TExportRequest {
    int AccountId = 0;
    int BillTypeId = 0;
    bool TwoSign = false;
    AnsiString AccountText;  // "T:Group-Account"
    TDateTime From = 0, To = 0;
    std::filesystem::path File;
};

// Stores the workbook as the file `file`, whole or not at all: it is written under a temporary
// name beside it and renamed into place when whole (see CreateTempBeside). Raises Exception
// (EXLSError for what the writer refused) whose message is "<file>: <reason>", the reason the
// system's own where the system refused (a full disk, a folder the user may not write in); then
// an earlier file of that name is unchanged and no temporary file remains.
void SaveWorkbookWhole(xls::TvteXLSWorkbook& book, const std::filesystem::path& file);

// Loads the account's moves of the period through the main window, builds the workbook and
// saves it. The window's tab, period and filter are as before afterwards, whatever happened.
// Returns the texts-table entry of the failure to show: 121 nothing could be built, 122 the file
// could not be saved; -1 when the file was written. After a failure no file was written under
// the chosen name (an earlier one is unchanged) and `reason` (when given) says why, in the
// interface code page: for a file not saved, the chosen name once and the system's reason.
int ExportAccountMoves(TForm1& form, const TExportRequest& request, AnsiString* reason = nullptr);

}  // namespace qm
