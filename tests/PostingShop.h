#pragma once
// A small shop for the posting and hand-off tests: its store, warehouses and products, the operator settings,
// the title file, the stand-in preview modules, and lines for the line table.

#include "TestDatabase.h"

#include "data/ClientDataSet.h"

#include <optional>
#include <string>

/// `text` (UTF-8) in code page 950.
std::string cp950(const char *text);

/// STORE_CHOISE K001; warehouses S01 總倉 and S02 分倉; products P001 (every column), P002 (no package
/// quantities) and P'03 (a quote in its code).
void fillShop(TestDatabase &db);

/// FormTouchMove.INI with S01, S02 and the salesperson text (code page 950).
void writeSettings(const std::string &programDir, const std::string &salesText);

/// "Saltfen.dat" in the XML form with the field rep_title, or with another field only.
void writeTitleFile(const std::string &programDir, const std::string &title, bool withTitleField = true);

/// Puts a stand-in preview module into the folder as libRptPreview.so: one that notes each call in
/// "showform.log", or one without "ShowForm".
void installRecordingModule(const std::string &programDir);
void installModuleWithoutEntry(const std::string &programDir);
/// The lines of "showform.log" (one per call).
std::vector<std::string> moduleCalls(const std::string &programDir);
/// Whether the module file in the folder is still loaded in this process.
bool moduleLoaded(const std::string &programDir);

/// The whole shop: fillShop, the settings with salesperson "A01_王小明", the title "中山店 調撥單" and the
/// recording stand-in module.
void prepareShop(TestDatabase &db);

/// Appends and posts a line.
void addLine(data::TClientDataSet &lines, int sno, const std::string &prodId, const std::string &name,
             std::optional<int> mainStock, std::optional<int> quantity);

/// Every column of a row, as text, and whether it is null: "name=value" or "name=<null>", joined by "|".
std::string rowText(data::TSQLConnection &connection, const std::string &sql);
