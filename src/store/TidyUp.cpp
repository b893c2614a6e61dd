#include "store/TidyUp.h"

#include <SQLiteCpp/Database.h>
#include <exception>

#include "store/Library.h"
#include "store/Transaction.h"

namespace store {
namespace {

// The steps in their order. The scratch tables are emptied before use, so that
// rows an interrupted run may have left there never reach the library; the
// copies back are read in the scratch tables' stored order, which is the
// sorted order, so the rewritten tables store their rows sorted.
constexpr const char* kStatements[TidyUp::kSteps] = {
    "DELETE FROM Items WHERE ItemName IS NULL OR ItemName = ''",
    "DELETE FROM Category WHERE Category IS NULL OR Category = ''",
    "DELETE FROM TempCat",
    "DELETE FROM TempItems",
    "INSERT INTO TempCat (Category) "
    "SELECT Category FROM Category ORDER BY Category COLLATE NAMECASE",
    "INSERT INTO TempItems (Category, ItemName, Code, Declares, Notes) "
    "SELECT Category, ItemName, Code, Declares, Notes FROM Items "
    "ORDER BY Category COLLATE NAMECASE, ItemName COLLATE NAMECASE",
    "DELETE FROM Category",
    "DELETE FROM Items",
    "INSERT INTO Category (Category) SELECT Category FROM TempCat ORDER BY rowid",
    "INSERT INTO Items (Category, ItemName, Code, Declares, Notes) "
    "SELECT Category, ItemName, Code, Declares, Notes FROM TempItems ORDER BY rowid",
    "DELETE FROM TempCat",
    "DELETE FROM TempItems",
};

}  // namespace

bool TidyUp::run(const Library& library, const StepHook& beforeStep) noexcept {
    try {
        Transaction transaction(library);
        for (int step = 1; step <= kSteps; ++step) {
            if (beforeStep) beforeStep(step);
            library.database().exec(kStatements[step - 1]);
        }
        transaction.commit();
        return true;
    } catch (const std::exception&) {
        return false;  // the transaction's destructor has rolled every step back
    }
}

}  // namespace store
