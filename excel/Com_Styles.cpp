// Cells carrying a named cell style. On a hidden scratch copy of each used
// range, the style's number format is set to a marker that Find then meets in
// the displayed texts of exactly the cells of that style; the hits, which
// come row by row, are merged into rectangles.
#include <string>
#include <vector>

#include "excel/Com_Automation.h"
#include "values/List_List.h"

namespace {

const AutoChar kMarkerFormat[] = u"[$QZTag-1] #,##0.00";
const AutoChar kMarker[] = u"QZTag";
constexpr int32_t kLookInValues = -4163;
constexpr int32_t kLookAtPart = 2;

// Merges hits, given row by row and left to right, into rectangles.
struct HitMerger {
  uint8_t sheet = 0;
  bool inRun = false;
  RangeRef run{};
  std::vector<RangeRef> pending, done;

  void add(int32_t row, int32_t column) {
    if (inRun && row == run.firstRow && column == run.lastColumn + 1) {
      run.lastColumn = static_cast<uint8_t>(column);
      return;
    }
    endRun();
    run = RangeRef{sheet, static_cast<uint16_t>(row), static_cast<uint8_t>(column), static_cast<uint16_t>(row),
                   static_cast<uint8_t>(column)};
    inRun = true;
  }
  // A run grows the rectangle just above it with the same columns; rectangles
  // that lie further up are complete.
  void endRun() {
    if (!inRun) return;
    inRun = false;
    for (size_t k = 0; k < pending.size();) {
      RangeRef& p = pending[k];
      if (p.lastRow + 1 == run.firstRow && p.firstColumn == run.firstColumn && p.lastColumn == run.lastColumn) {
        ++p.lastRow;
        return;
      }
      if (p.lastRow + 1 < run.firstRow) {
        done.push_back(p);
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(k));
      } else {
        ++k;
      }
    }
    pending.push_back(run);
  }
  void finish() {
    endRun();
    done.insert(done.end(), pending.begin(), pending.end());
    pending.clear();
  }
};

struct Scan {
  ExcelAutomation* ea;
  std::vector<AutoObject*> held;  // released when the scan ends

  ~Scan() {
    for (AutoObject* obj : held)
      if (obj) Auto_release(obj);
  }
  // Calls member with the prepared arguments; the object result is held.
  AutoObject* object(AutoObject* on, const AutoChar* member, uint16_t flags = Auto_propertyGet) {
    const bool ok = Com_invoke(ea, on, member, &ea->result, flags, true, Auto_dispidUnknown);
    Com_clearArgs(ea);
    if (!ok || ea->result.vt != Auto_vtDispatch) return nullptr;
    AutoObject* obj = ea->result.dispatch;
    Auto_variantInit(&ea->result);
    held.push_back(obj);
    return obj;
  }
  bool run(AutoObject* on, const AutoChar* member, uint16_t flags = Auto_method) {
    const bool ok = Com_invoke(ea, on, member, &ea->result, flags, true, Auto_dispidUnknown);
    Com_clearArgs(ea);
    return ok;
  }
  bool putBool(AutoObject* on, const AutoChar* member, bool b) {
    Com_addArgBool(ea, b);
    return run(on, member, Auto_propertyPut);
  }
  bool putText(AutoObject* on, const AutoChar* member, const std::u16string& text) {
    return Com_addArgString(ea, text.c_str()) && run(on, member, Auto_propertyPut);
  }
  bool text(AutoObject* on, const AutoChar* member, std::u16string* out) {
    if (!run(on, member, Auto_propertyGet) || ea->result.vt != Auto_vtString) return false;
    out->assign(ea->result.str, Auto_stringLen(ea->result.str));
    return true;
  }
  bool integer(AutoObject* on, const AutoChar* member, int32_t* out) {
    if (!run(on, member, Auto_propertyGet) ||
        Auto_failed(Auto_variantChangeType(&ea->result, &ea->result, 0, Auto_vtI4)))
      return false;
    *out = ea->result.i4;
    return true;
  }
};

// The marked cells of one scratch copy, in the order Find returns them.
bool collectHits(Scan& s, AutoObject* copy, HitMerger* merger) {
  Com_addArgInt(s.ea, 1);
  Com_addArgInt(s.ea, 1);
  AutoObject* first = s.object(copy, u"Cells");
  if (!first) return false;
  Com_addArgInt(s.ea, kLookAtPart);
  Com_addArgInt(s.ea, kLookInValues);
  Com_addArgDispatch(s.ea, first);
  Com_addArgString(s.ea, kMarker);
  AutoObject* hit = s.object(copy, u"Find");
  int32_t firstRow = 0, firstColumn = 0;
  for (bool start = true; hit; start = false) {
    int32_t row = 0, column = 0;
    if (!s.integer(hit, u"Row", &row) || !s.integer(hit, u"Column", &column)) return false;
    if (!start && row == firstRow && column == firstColumn) break;
    if (start) {
      firstRow = row;
      firstColumn = column;
    }
    merger->add(row, column);
    Com_addArgDispatch(s.ea, hit);
    hit = s.object(copy, u"FindNext");
  }
  merger->finish();
  return true;
}

// Marks the style's cells on a scratch copy of sheet i's used range and
// collects them; the style and the workbook's formats are restored.
bool scanSheet(Scan& s, AutoObject* scratch, int32_t i, const AutoChar* styleName, HitMerger* merger) {
  ExcelAutomation* ea = s.ea;
  AutoObject* used = s.object(ea->sheets[i], u"UsedRange");
  std::u16string address;
  if (!used || !s.text(used, u"Address", &address) || !Com_addArgString(ea, address.c_str())) return false;
  AutoObject* copy = s.object(scratch, u"Range");
  if (!copy) return false;
  Com_addArgDispatch(ea, copy);
  if (!s.run(used, u"Copy") || !s.putText(copy, u"NumberFormat", kMarkerFormat) ||
      !Com_addArgString(ea, kMarkerFormat) || !s.run(ea->workbook, u"DeleteNumberFormat"))
    return false;
  Com_addArgString(ea, styleName);
  AutoObject* style = s.object(ea->workbook, u"Styles");
  std::u16string format;
  bool include = false;
  if (!style || !s.run(style, u"IncludeNumber", Auto_propertyGet)) return false;
  include = ea->result.vt == Auto_vtBool && ea->result.boolean != 0;
  if (!s.text(style, u"NumberFormat", &format)) return false;
  bool ok = s.putBool(style, u"IncludeNumber", true) && s.putText(style, u"NumberFormat", kMarkerFormat);
  AutoObject* columns = ok ? s.object(copy, u"EntireColumn") : nullptr;
  ok = ok && columns && s.run(columns, u"AutoFit") && collectHits(s, copy, merger);
  const bool restored = s.putText(style, u"NumberFormat", format) && s.putBool(style, u"IncludeNumber", include) &&
                        Com_addArgString(ea, kMarkerFormat) && s.run(ea->workbook, u"DeleteNumberFormat");
  return ok && restored;
}

}  // namespace

bool Com_findStyledCells(ExcelAutomation* ea, const AutoChar* style, List* list) {
  if (!ea->workbook) return false;
  Scan s{ea, {}};
  if (!s.putBool(ea->application, u"DisplayAlerts", false)) return false;
  AutoObject* all = s.object(ea->workbook, u"Sheets");
  AutoObject* scratch = all ? s.object(all, u"Add", Auto_method) : nullptr;
  bool ok = scratch && s.putBool(scratch, u"Visible", false);
  std::vector<RangeRef> found;
  for (int32_t i = 1; ok && i <= ea->sheetCount; ++i) {
    HitMerger merger;
    merger.sheet = static_cast<uint8_t>(i);
    ok = scanSheet(s, scratch, i, style, &merger);
    found.insert(found.end(), merger.done.begin(), merger.done.end());
  }
  if (scratch) ok = s.run(scratch, u"Delete") && ok;
  ok = s.putBool(ea->application, u"DisplayAlerts", true) && ok;
  for (size_t k = 0; ok && k < found.size(); ++k) ok = List_appendRange(list, &found[k]);
  return ok;
}
