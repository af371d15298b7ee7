// Private interface between the parts of the automation layer: the object
// record, the table of members by object kind, the argument reader a member
// uses, and conversions between cells and variants. Not for use outside
// platform/automation.
#pragma once

#include <string>
#include <vector>

#include "platform/automation/Auto.h"
#include "platform/workbook/Wb_Workbook.h"

struct AutoArray {
  std::int32_t lower[2] = {1, 1};
  std::uint32_t count[2] = {0, 0};
  std::vector<AutoVariant> items;   // row by row
};

enum class AutoKind : std::uint8_t {
  Application, Workbooks, Workbook, Sheets, Worksheet, Range, Areas, Names, Name, Styles, Style, WorksheetFunction,
};

// An object is a view of part of the application. It names its workbook and
// sheet by pointer and checks at every call that they still exist. A released
// object keeps its record (so that a late call fails cleanly) but nothing else.
struct AutoObject {
  AutoKind kind = AutoKind::Application;
  std::uint32_t refs = 1;
  Workbook* wb = nullptr;                // all but Application, Workbooks, WorksheetFunction
  Sheet* sheet = nullptr;                // Worksheet, Range, Areas; Names of one sheet
  std::vector<CellRange> areas;          // Range, Areas (sheet field unused: see `sheet`)
  std::string name;                      // Name: the name; Style: the style name
  int scope = -1;                        // Name: scope sheet index, -1 for the workbook
};

// One call of a member: its arguments in parameter order, the value of a
// property put, the result, and the failure details.
struct AutoCall {
  AutoObject* self = nullptr;
  AutoInvokeKind kind = 0;
  std::vector<const AutoVariant*> args;  // by parameter; nullptr when not given or missing
  std::vector<std::uint32_t> argIndex;   // where each came from in the caller's array
  const AutoVariant* putValue = nullptr;
  std::uint32_t putIndex = 0;
  AutoVariant* result = nullptr;         // never nullptr inside a member (a scratch one when the caller gave none)
  AutoException* exception = nullptr;
  std::uint32_t argError = 0;

  bool has(std::size_t i) const { return i < args.size() && args[i]; }
  // Typed argument readers: false (with the failure recorded) when the
  // argument does not convert. `fail` returns the code to give back.
  AutoResult fail(AutoResult code, std::size_t param);
  AutoResult raise(std::uint16_t code, const std::string& description);
  bool integer(std::size_t i, std::int32_t* out, AutoResult* rc);
  bool real(std::size_t i, double* out, AutoResult* rc);
  bool boolean(std::size_t i, bool* out, AutoResult* rc);
  bool text(std::size_t i, std::string* out, AutoResult* rc);
  bool putBoolean(bool* out, AutoResult* rc);
  bool putText(std::string* out, AutoResult* rc);
};

using AutoMemberFn = AutoResult (*)(AutoCall& call);

struct AutoMember {
  const char* name;
  AutoInvokeKind kinds;          // the invoke kinds it answers (get and method count as one)
  std::vector<const char*> params;
  int required;                  // how many leading params must be given
  AutoMemberFn fn;
  // A collection-valued member given arguments hands them to the result's Item.
  bool forwardsToItem = false;
};

// The members of each kind (Auto_Objects.cpp, Auto_Range.cpp, Auto_Names.cpp).
const std::vector<AutoMember>& Auto_applicationMembers();
const std::vector<AutoMember>& Auto_workbookMembers();
const std::vector<AutoMember>& Auto_workbooksMembers();
const std::vector<AutoMember>& Auto_sheetsMembers();
const std::vector<AutoMember>& Auto_worksheetMembers();
const std::vector<AutoMember>& Auto_rangeMembers();
const std::vector<AutoMember>& Auto_areasMembers();
const std::vector<AutoMember>& Auto_namesMembers();
const std::vector<AutoMember>& Auto_nameMembers();
const std::vector<AutoMember>& Auto_stylesMembers();
const std::vector<AutoMember>& Auto_styleMembers();
// The worksheet-function object (Auto_Functions.cpp): every built-in
// function of the calculation, called by name.
std::vector<std::string> Auto_functionNames();
AutoResult Auto_callFunction(AutoCall& call, const std::string& name, const AutoDispParams* params);

// Objects (Auto_Dispatch.cpp).
AutoObject* Auto_newObject(AutoKind kind, Workbook* wb = nullptr, Sheet* sheet = nullptr);
AutoObject* Auto_newRange(Workbook* wb, Sheet* sheet, const std::vector<CellRange>& areas);
// Gives an object as the call's result (the result takes the one reference).
AutoResult Auto_returnObject(AutoCall& call, AutoObject* obj);
// The object of kind `kind` a dispatch argument holds, when it is one of ours,
// not released, and its workbook and sheet still exist; else nullptr.
const AutoObject* Auto_argumentObject(const AutoVariant* v, AutoKind kind);
// The object's workbook and sheet still exist (sheet index, or -1).
bool Auto_alive(const AutoObject* obj, int* sheetIndex);
// Calls the Item member of `obj` with arguments in parameter order, into
// `outer`'s result: Sheets(2) and Cells(1, 1) end here.
AutoResult Auto_callItem(AutoCall& outer, AutoObject* obj, const std::vector<const AutoVariant*>& args);

// Variant results.
void Auto_setInt(AutoVariant* v, std::int32_t n);
void Auto_setReal(AutoVariant* v, double d);
void Auto_setBool(AutoVariant* v, bool b);
void Auto_setText(AutoVariant* v, const std::string& utf8);
void Auto_setError(AutoVariant* v, CellError e);

// Cells and variants (Auto_Cells.cpp).
// The variant of a cell's value: dates for date-formatted numbers, errors as
// Auto_cellErrorBase + code.
void Auto_cellToVariant(const Cell* cell, AutoVariant* out);
// Writes a variant into a cell as typing it would: "=..." texts become formulas.
// False when the variant has no cell form.
bool Auto_variantToCell(Workbook* wb, Sheet* sh, int row, int col, const AutoVariant& v);
// A constant typed as text: number, boolean, error value or text.
CellValue Auto_parseConstant(const std::string& text);
bool Auto_isDateFormat(const std::string& format);
double Auto_serialToDate(double serial);
double Auto_dateToSerial(double date);

// Text forms of the variant conversions (Auto_Convert.cpp).
bool Auto_textToReal(const std::string& text, double* out);
bool Auto_textToDate(const std::string& text, double* out);
std::string Auto_realToText(double d);
std::string Auto_dateToText(double d);

// Shared by the members (Auto_Objects.cpp, Auto_Range.cpp).
// Range(Cell1, [Cell2]) on a sheet (`sheetFixed`: references must lie on it)
// or, for the application, anywhere in the open workbooks.
AutoResult Auto_rangeMember(AutoCall& call, Workbook* wb, int sheet, bool sheetFixed);
// A 1-based index or a name in argument `param`: the 0-based position, or the
// exception "not found" (out < 0 and the returned code tells).
AutoResult Auto_indexOrName(AutoCall& call, std::size_t param, int count,
                            int (*byName)(const AutoObject* self, const std::string& name), int* out);
int Auto_sheetIndexOf(const AutoObject* obj);
AutoObject* Auto_sheetObject(Workbook* wb, int sheet);
// Range members about formats, styles, copying and searching (Auto_RangeFormat.cpp).
std::vector<AutoMember> Auto_rangeFormatMembers();
