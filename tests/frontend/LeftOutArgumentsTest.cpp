// Arguments left out and arguments of the wrong sort, through both
// calculations on the differential check's workbook: a left-out argument
// (f(1,,2)) is a blank, read by its parameter's kind (0, "" or FALSE, and
// counted as 0 by the statistics that count values given directly), unless
// the function has a default of its own (the known x of TREND); a function
// that wants a reference answers #VALUE! to any other value; a range given
// where one value is wanted is the cell in the formula's row or column
// (#VALUE!, an argument like any error, when it has none), an array its
// first element; an error criterion of COUNTIF and SUMIF picks the cells
// holding that error; the multiples, rounding, FACT and SERIESSUM as the
// worksheet forms them, arguments read in order (the first fault decides),
// no trigonometric function of an angle from 2^27 on; SUBTOTAL of references
// only; an operator over arrays of different sizes as the worksheet
// broadcasts it. The formula is in H1.
// The expected
// values are what a spreadsheet program gives; where the value is a number,
// the interpreter's derivative modes give it too, with a gradient that
// matches a finite difference.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/DiffCheck.h"

namespace {

struct Row {
  const char* formula;
  CellValue expected;
};

CellValue number(double x) { return CellValue::makeNumber(x); }
CellValue text(const char* t) { return CellValue::makeText(t); }
CellValue error(CellError e) { return CellValue::makeError(e); }
CellValue boolean(bool b) { return CellValue::makeBoolean(b); }

// The workbook: A1:A6 = 2.5, -1.5, 0.5, 3, 7, 0.25; B1:B8 one cell of each
// kind (B5 blank); D1:E2 = {2,1;1,3}; Block names A1:A6.
const Row kRows[] = {
    // a left-out number is 0
    {"=AVERAGE(1,)", number(0.5)},
    {"=MAX(-1,)", number(0)},
    {"=MINA(A1,)", number(0)},
    {"=VARA(1,)", number(0.5)},
    {"=STDEVA(A1,)", number(1.7677669529663689)},  // sqrt(2 * 1.25^2)
    {"=MEDIAN(,A4)", number(1.5)},
    {"=DOLLAR(2,)", text("$2")},
    // COUNT counts numbers only: the blank is none
    {"=COUNT(1,)", number(1)},
    // a left-out text is ""; a number given for a format is its text
    {"=REPT(\"a\",)", text("")},
    {"=TEXT(,6)", text("6")},
    {"=TEXT(A1,0)", text("3")},
    // a logical keeps its word whatever the format
    {"=TEXT(TRUE,C1)", text("TRUE")},
    {"=TEXT(B8,A2)", text("FALSE")},
    // the paired sums skip a pair with a blank; no pair sums to 0
    {"=SUMX2PY2(,1)", number(0)},
    {"=SUMXMY2(A1:A2,D1:D2)", number(6.5)},  // 0.5^2 + 2.5^2
    // the known x left out of TREND are 1, 2, 3: y = 2.5 - x at x = 4
    {"=TREND(A1:A3,,4)", number(-1.5)},
    // ... and so are the new x left out with them: y = 2.5 - x at x = 1
    {"=TREND(A1:A3)", number(1.5)},
    {"=TREND(-{1,2,3})", number(-1)},
    // no spread in the known x: #DIV/0!, as SLOPE's
    {"=TREND(3)", error(CellError::Div0)},
    // a left-out value IF or CHOOSE hands on is 0, not a blank
    {"=ISNUMBER(IF(,,))", CellValue::makeBoolean(true)},
    {"=AVERAGEA(CHOOSE(1,))", number(0)},
    {"=COUNT(IF(TRUE,),CHOOSE(2,1,))", number(2)},
    // COMBIN beyond the doubles is #NUM!, however its product overflows
    {"=COMBIN(1E+300,A1:A6)", error(CellError::Num)},
    {"=COMBIN(1E+200,2)", error(CellError::Num)},
    // a large quotient keeps its fraction: 1E+15 / 45 is 22222222222222.2
    {"=CEILING(1E+15,(45+0))", number(1000000000000035)},
    // PERCENTRANK cuts the rank to its digits: 2/3 is 0.666
    {"=PERCENTRANK({0.5,-1},MAXA(0,,))", number(0.666)},
    // known y left out is a blank, a single point 0
    {"=TREND(,,,)", error(CellError::Div0)},
    // a base left out is 0, whose negative power is #DIV/0! as 0^-1 is
    {"=POWER(,-1)", error(CellError::Div0)},
    {"=TREND(A1:A3,{1;1;1})", error(CellError::Div0)},
    // PERCENTRANK of one value: 1 for that value, #N/A for any other
    {"=PERCENTRANK(A1,A1)", number(1)},
    {"=PERCENTRANK(A1,A2)", error(CellError::NA)},
    // a reference wanted, another value given
    {"=ROW(3)", error(CellError::Value)},
    {"=COLUMN(\"2\")", error(CellError::Value)},
    {"=COUNTBLANK(0)", error(CellError::Value)},
    {"=ROW(1/0)", error(CellError::Value)},
    {"=ROW(D2)", number(2)},
    {"=COLUMN(Block)", number(1)},
    {"=COUNTBLANK(B1:B8)", number(1)},
    // a range where one value is wanted: the cell in row 1, or #VALUE!
    {"=ISNUMBER(A1:B2)", CellValue::makeBoolean(false)},
    {"=ERROR.TYPE(A2:A5)", number(3)},
    {"=DATE(1/0,A2:A5,0)", error(CellError::Div0)},
    {"=QUARTILE(A1,A1:A3)", number(2.5)},
    {"=QUARTILE(A1:A6,A2:A5)", error(CellError::Value)},
    {"=INDEX(255,B1:B8)", number(255)},
    {"=RANK(A1:A3,A1:A6)", number(3)},
    {"=NPV(B1:B8,3)", number(3)},
    {"=NPV(A3:B4,0)", error(CellError::Value)},
    {"=ISODD(B1:B8)", CellValue::makeBoolean(false)},
    // an array where one value is wanted: its first element
    {"=PERCENTILE(A1:A4,{1,0})", number(3)},
    {"=CHOOSE({1;2;3},5,6)", number(5)},
    {"=ISEVEN({\"2\",4})", CellValue::makeBoolean(true)},
    // a search passes over the elements of another kind than its value
    {"=MATCH(45,B4)", error(CellError::NA)},
    {"=MATCH(10,B1:B8)", number(5)},  // B1 (0) and the blank B5 are the numbers
    {"=MATCH(TRUE,B1:B8,0)", number(4)},
    // the approximate search halves the items of the value's kind as if
    // they were sorted: 0.5, then 7, then 3 of 2.5,-1.5,0.5,3,7,0.25
    {"=MATCH(0.5,A1:A6)", number(3)},
    {"=MATCH(3,A1:A6)", number(4)},        // 0.5, 7, 3
    {"=MATCH(2,{1,2,2,2,3})", number(4)},  // the last of equal items
    {"=MATCH(2,{3,2,2,1},-1)", number(3)},
    {"=VLOOKUP(0.5,A1:A6,1)", number(0.5)},
    // the value a lookup searches for is one value
    {"=MATCH(A1:A6,A1:A6,0)", number(1)},
    {"=MATCH({3,7},A1:A6,0)", number(4)},
    // a table of one error is one cell: a row past it is #REF!
    {"=HLOOKUP(B2,1/0,3)", error(CellError::Ref)},
    {"=VLOOKUP(2,B6,1)", error(CellError::NA)},
    // the numbers' faults come before the range of QUARTILE's or TRIMMEAN's k
    {"=QUARTILE(1/0,A5)", error(CellError::Div0)},
    {"=TRIMMEAN(\"abc\",6)", error(CellError::Value)},
    // TYPE takes a range or an array whole: 64
    {"=TYPE(A1:A3)", number(64)},
    {"=TYPE({1,2})", number(64)},
    // an error criterion picks the cells holding that error
    {"=COUNTIF(B1:B8,B6)", number(1)},
    {"=SUMIF(B6:B8,1/0,A1:A3)", number(2.5)},
    {"=COUNTIF(A5,NA())", number(0)},
    // a number criterion, or a blank one (0), matches a text that reads as
    // that number too
    {"=COUNTIF(B2,24)", number(1)},
    {"=COUNTIF(B1:B8,\"24.0\")", number(1)},
    {"=SUMIF(B1:B3,24,A1:A3)", number(-1.5)},
    {"=COUNTIF(\"0\",)", number(1)},
    // a criteria range is the cell in the formula's row or column, #VALUE!
    // (an error criterion) when it has none; an array its first element
    {"=SUMIF(#VALUE!,A1:B2,1)", number(1)},
    {"=COUNTIF(A1:A6,{3,7})", number(1)},
    // LARGE's and SMALL's k: a range is the cell in the formula's row, an
    // array is taken whole, a result for each element
    {"=LARGE(A1:A6,A2:A5)", error(CellError::Value)},
    {"=SUM(LARGE(A1:A6,D1:D2))", number(3)},
    {"=COUNT(SMALL(A1:A6,A2:A5))", number(0)},
    {"=COUNT(LARGE(A1:A6,{1,2}))", number(2)},
    {"=SUM(SMALL(A1:A6,{1,2}))", number(-1.25)},
    // a multiple of a step far above the number is no zero
    {"=CEILING(A4,1E+15)", number(1e15)},
    {"=EVEN(1E-300)", number(2)},
    // FACT is the product, rounded as it is formed
    {"=FACT(45)", number(1.1962222086548019e+56)},
    // MMULT takes numbers only: a logical, text or blank fails the product,
    // an error passes on, the first factor's fault first
    {"=MMULT(2,B4)", error(CellError::Value)},
    {"=MMULT(100,TRUE)", error(CellError::Value)},
    {"=MMULT(FALSE,#N/A)", error(CellError::Value)},
    {"=MMULT(1/0,B7)", error(CellError::Div0)},
    {"=MMULT(D1:E2,A1:A2)", number(3.5)},  // 2 * 2.5 + 1 * -1.5
    // INDEX: the indexes' faults first, then an index past the table is
    // #REF! whatever the table's cell holds
    {"=INDEX(B6,2)", error(CellError::Ref)},
    {"=INDEX(B6,1)", error(CellError::Div0)},
    {"=INDEX(B6,,NA())", error(CellError::NA)},
    {"=INDEX({1,2;3,4},-7)", error(CellError::Value)},
    {"=INDEX(0.3,1E+15)", error(CellError::Value)},
    // IF and CHOOSE answer with the range they choose, which the formula's
    // cell meets in its row or column
    {"=IF(A4,A2:A5)", error(CellError::Value)},
    {"=IF(A4,A1:A5)", number(2.5)},
    {"=CHOOSE(A1,Rate,D1:E2,A1)", error(CellError::Value)},
    {"=CHOOSE(2,A1,B1:B8)", number(0)},
    {"=CHOOSE(1,B4)", CellValue::makeBoolean(true)},
    // ROWS and COLUMNS count an array computed from a range whole
    {"=ROWS(-A1:A3%)", number(3)},
    {"=COLUMNS((A6+A1:B2))", number(2)},
    {"=COLUMNS(WEEKDAY(B1:B8))", number(1)},
    // the lookups: the value's error, then the index's or type's fault
    // (no whole number is #VALUE!), before the table
    {"=VLOOKUP(-2.5,-1,1E+300)", error(CellError::Value)},
    {"=HLOOKUP(A2,1/0,\"x\"&1,NA())", error(CellError::Value)},
    {"=MATCH(B8,-2.5,1E+300)", error(CellError::Value)},
    // only the sign of MATCH's type tells the search
    {"=MATCH(A5,A1,\"1E2\")", number(1)},
    {"=MATCH(A6,-0.75,A1)", number(1)},
    // a negative number goes to a positive step's multiple: CEILING toward
    // zero, FLOOR away; MROUND has none of the other sign
    {"=CEILING(A2,3)", number(0)},
    {"=CEILING(-2.5,2)", number(-2)},
    {"=FLOOR(A2,0.5)", number(-1.5)},
    {"=FLOOR(-2.5,2)", number(-4)},
    {"=CEILING(2.5,-1)", error(CellError::Num)},
    {"=MROUND(-7,C1)", error(CellError::Num)},
    {"=MROUND(A5,A2)", error(CellError::Num)},
    {"=MROUND(-7,-2)", number(-8)},
    // the arguments are read in order: the first one's fault decides
    {"=MOD(B3,B6)", error(CellError::Value)},
    {"=ROUND(Word,NA())", error(CellError::Value)},
    {"=TRUNC(\"abc\",1/0)", error(CellError::Value)},
    {"=CEILING(B3,NA())", error(CellError::Value)},
    {"=DAYS360(\"\",NA())", error(CellError::Value)},
    {"=ATAN2(\"abc\",(A1^#N/A))", error(CellError::Value)},
    {"=POWER(B3,ERF(#DIV/0!,100))", error(CellError::Value)},
    {"=FIXED(Word,#DIV/0!)", error(CellError::Value)},
    {"=DOLLAR(\"abc\",1/0)", error(CellError::Value)},
    {"=REPLACE(B1:B8,,B3,(B1=#NUM!))", error(CellError::Value)},
    // ... and a number out of a function's range is no fault of reading
    {"=ROMAN(1E+15,B6)", error(CellError::Div0)},
    {"=REPLACE(TRUE,A5,1E+300,NA())", error(CellError::NA)},
    {"=ROMAN(1E+15)", error(CellError::Value)},
    // a day past the calendar's last (31 December 9999) is #NUM!
    {"=WEEKDAY(1E+300)", error(CellError::Num)},
    {"=WEEKDAY(2958466)", error(CellError::Num)},
    {"=WEEKDAY(2958465)", number(6)},  // a Friday
    {"=WEEKDAY(C1,1E+300)", error(CellError::Num)},
    {"=DAYS360(1E+300,1&2)", error(CellError::Num)},
    {"=DAYS360(1,2958466)", error(CellError::Num)},
    // digits past a number's own keep it; all digits below the place give
    // 0, or the next power of ten rounding up (too large: #NUM!)
    {"=ROUND(-B1,1E+300)", number(0)},
    {"=ROUNDDOWN(B4,1E+300)", number(1)},
    {"=TRUNC(A1,1E+15)", number(2.5)},
    {"=ROUND(A5,-400)", number(0)},
    {"=ROUNDUP(A6,-3)", number(1000)},
    {"=ROUNDUP(-2.5,-690)", error(CellError::Num)},
    // whole-number arguments are cut to whole numbers, but a negative
    // MULTINOMIAL argument is refused first
    {"=FACTDOUBLE(-0.75)", number(1)},
    {"=FACTDOUBLE(-1)", error(CellError::Num)},
    {"=MULTINOMIAL(A4,A6,-0.75)", error(CellError::Num)},
    {"=REPT(\"a\",-0.75)", text("")},
    {"=REPT(\"a\",-1)", error(CellError::Value)},
    // no sine, cosine or tangent of an angle from 2^27 on
    {"=SIN(1E+15)", error(CellError::Num)},
    {"=TAN(-134217728)", error(CellError::Num)},
    {"=COS(1E+300)", error(CellError::Num)},
    // SERIESSUM's coefficients keep their places, so a text among them
    // (B2's "24") is #VALUE!, and each term is its own power: 2.5*2 + 0*8
    // - 1.5*32; 100*(-1.5)^-7 (the fractional step is never used)
    {"=SERIESSUM(2,1,1,A1:B2)", error(CellError::Value)},
    {"=SERIESSUM(2,1,2,{2.5,0,-1.5})", number(2.5 * 2 + 0 * 8 - 1.5 * 32)},
    {"=SERIESSUM(A1,1,2,{1,\"a\",3})", error(CellError::Value)},
    {"=SERIESSUM(A2,-7,A2,100)", number(-100 / 17.0859375)},
    {"=SERIESSUM(0,0,1,B2)", error(CellError::Value)},
    {"=SERIESSUM(0,0,1,A1)", error(CellError::Num)},
    // ... in the derivative modes too: 0^0 is #NUM! there as well, zero
    // coefficient or not, and a step to a negative power whose terms stay
    // positive powers is no #DIV/0! (0^2 + 0^(2 - 4/3))
    {"=COUNTIF(SERIESSUM(B8,B8,A1,),)", number(0)},
    {"=SERIESSUM(0*A1,0,A1,0)", error(CellError::Num)},
    {"=SERIESSUM(0,2,-A4/3,{1,1})", number(0)},
    // SUBTOTAL takes references after its function number (read as one
    // value: A1:A6 meets row 1 at 2.5, COUNT); any other value is #VALUE!
    {"=SUBTOTAL(9,A1:A3)", number(1.5)},
    {"=SUBTOTAL(1,Block)", number(11.75 / 6)},
    {"=SUBTOTAL(A1:A6,A4:A5,B1:B8)", number(3)},
    {"=SUBTOTAL(2,{\"2\",4},FALSE,\"abc\")", error(CellError::Value)},
    {"=SUBTOTAL({1,\"a\",3},)", error(CellError::Value)},
    {"=SUBTOTAL(9,A1,Rate)", error(CellError::Value)},
    // an error met before a text that is no number decides AVERAGE
    {"=AVERAGE(#NUM!,Word,-1)", error(CellError::Num)},
    {"=AVERAGE(B1:B8,Word)", error(CellError::Div0)},
    // an operator over arrays of different sizes: as large as the largest,
    // #N/A past the smaller; a row against a column is a grid
    {"=MIN(({\"2\",4}/{1,2,3}))", error(CellError::NA)},
    {"=STDEVA(({1,2,3}<>{0.5,-1}))", error(CellError::NA)},
    {"=COUNTA(({\"2\",4}&{1,\"a\",3}),B4)", number(4)},
    {"=SUM({1,2}+{1;2;3})", number(21)},
    // TRANSPOSE of one value is an array of one element, whose logical or
    // text the aggregates skip (STDEVA counts the text as 0); its argument
    // is read as an array
    {"=MAX(A2,TRANSPOSE(FALSE))", number(-1.5)},
    {"=SUMSQ(,,TRANSPOSE(TRUE))", number(0)},
    {"=STDEVA(A6,B1,TRANSPOSE(\" 3 \"))", number(0.14433756729740646)},  // sqrt(((1/6)^2 + 2 (1/12)^2) / 2)
    {"=TRANSPOSE((A1<>A2:A5))", CellValue::makeBoolean(true)},
    // TREND of several variables wants new x with one column per variable,
    // before the fit; of one variable, new x of any shape
    {"=TREND(4.9999,{1,2,3},LEFT(\"24\",1),A5)", error(CellError::Ref)},
    {"=DATEVALUE(TREND(Twice,{1,2,3},A2))", error(CellError::Ref)},
    {"=TREND(A1:A2,D1:E2,3)", error(CellError::Ref)},
    {"=TREND(A1:A3,A4:A6,{1,2})", number(0.5 + 464.0 / 553)},  // slope -192/553 through (41/12, 1/2)
    // ... and fits each column of known x as a variable (each row when known
    // y is a row): y = 2 + x2 leaves residuals -1, -1, 1, 1, orthogonal to
    // 1, x1 and x2; through the origin y = (4 x1 + 7 x2) / 3
    {"=TREND({1;2;4;3},{1,0;0,1;1,1;0,0},{5,7})", number(9)},
    {"=TREND({1,2,4,3},{1,0,1,0;0,1,1,0},{5;7})", number(9)},
    {"=TREND({1;2;4;3},{1,0;0,1;1,1;0,0})", number(2)},
    {"=TREND({1;2;4;3},{1,0;0,1;1,1;0,0},{5,7},FALSE)", number(23)},
    // known x without known y's rows is #REF!; fewer points than
    // coefficients, or a variable following from the others, #DIV/0!
    {"=TREND({1;2;4;3},{1,0;0,1;1,1})", error(CellError::Ref)},
    {"=TREND(6,{0.5,-1})", error(CellError::Div0)},
    {"=TREND(5,{1,2,3})", error(CellError::Div0)},
    {"=TREND({1;2;4;3},{1,2;0,0;1,2;0,0},{5,7})", error(CellError::Div0)},
    // a lookup's table is computed whole: A6 - A1:B2 is {-2.25,0.25;1.75,-23.75}
    {"=VLOOKUP(0.25,(A6-A1:B2),2)", number(0.25)},
    {"=VLOOKUP(\" 3 \",(A6-A1:B2),A1)", error(CellError::NA)},
    {"=HLOOKUP((Word<=\"2\"),(A1:A3*A5),A1:A3)", error(CellError::NA)},
    // and so is MATCH's array: A1:A6 + 0 holds 0.5 third
    {"=MATCH({0.5,-1},(A1:A6+0),)", number(3)},
    {"=MATCH(0.5,(A1:A6+0),0)", number(3)},
    // INDEX's table is computed whole: ODDLYIELD goes element by element
    // over its ranges (a text rate: #VALUE! in each), INDEX picks row 3
    {"=INDEX(ODDLYIELD(,Rate,0.5,B3,A1,A2:A5,A1:A3),MID(\"3.25\",1,4),TRUE)", error(CellError::Value)},
    {"=INDEX(A1:A6*2,3)", number(1)},
    // a worksheet has no negative zero: ATAN2 of a negative x and a zero y
    // is +pi however the zero came about
    {"=ATAN2(-2.5,-0)", number(M_PI)},
    // C(1E+300 + 4, 4) leaves the doubles, though 4 + 1E+300 is 1E+300
    {"=MULTINOMIAL(4,1E+300)", error(CellError::Num)},
    {"=MULTINOMIAL(,{\"2\",4},1E+300)", error(CellError::Num)},
    {"=MULTINOMIAL(2,3,4)", number(1260)},
    {"=ATAN2(-1,-A1*0)", number(M_PI)},
    {"=ATAN2(-1,0*-1)", number(M_PI)},
    {"=INDEX(ABS(A1:A6),2)", number(1.5)},
    // INDEX with a row (or, of a single row, a column) of 0 or left out is
    // the whole column (row): a 6 x 1 block has no determinant
    {"=SUM(INDEX(A1:A6,))", number(11.75)},
    {"=SUM(INDEX(A1:A6,0))", number(11.75)},
    {"=SUMPRODUCT(INDEX(A1:A6,0))", number(11.75)},
    {"=MDETERM(INDEX(A1:A6,))", error(CellError::Value)},
    {"=MDETERM(INDEX(A1:A6,0))", error(CellError::Value)},
    {"=ROWS(INDEX(A1:A6,))", number(6)},
    {"=COLUMNS(INDEX({1,2,3},0))", number(3)},
    {"=SUM(INDEX({1,2,3},))", number(6)},
    {"=SUM(INDEX(A1:A6,0,1))", number(11.75)},
    {"=SUM(INDEX(D1:E2,0,2))", number(4)},
    {"=SUM(INDEX(D1:E2,2,0))", number(4)},
    {"=SUM(INDEX({1,2;3,4},0,2))", number(6)},
    {"=MDETERM(INDEX(D1:E2,0,0))", number(5)},
    // inside SUMPRODUCT a lookup given an array of column numbers answers
    // one result for each: #N/A (2), #VALUE! (-1, 0, 0), #N/A (3), #REF! (7)
    {"=SUMPRODUCT(VLOOKUP(Rate,{1,2,3},Block,A3%))", error(CellError::NA)},
    {"=SUMPRODUCT(VLOOKUP(1,{1,2,3},{1,2}))", number(3)},
    {"=SUMPRODUCT(VLOOKUP(1,D1:E2,{1,2},0))", number(4)},  // row {1,3}
    {"=SUMPRODUCT(HLOOKUP(1,{1,2,3},{1;1}))", number(2)},
    {"=SUMPRODUCT(MATCH({3,7},A1:A6,0))", number(9)},       // 4 + 5
    {"=SUMPRODUCT(MATCH(A4:A5,A1:A6,0))", number(9)},       // a range of values too
    {"=SUMPRODUCT(INDEX(A1:A6,{1,2}))", number(1)},         // 2.5 - 1.5
    {"=SUMPRODUCT(INDEX(A1:A6,D1:E1))", number(1)},         // rows 2 and 1
    {"=SUMPRODUCT(PERCENTILE(A1:A6,{0,1}))", number(5.5)},  // -1.5 + 7
    {"=SUMPRODUCT(QUARTILE(A1:A6,{0,4}))", number(5.5)},
    {"=SUMPRODUCT(NPV({0,1},1))", number(1.5)},               // 1 + 1/2
    {"=SUMPRODUCT(RANK(A1:A2,A1:A6))", number(9)},            // 3 + 6
    {"=SUMPRODUCT(SERIESSUM(A1:A2,1,1,{1,2}))", number(18)},  // 2.5 + 2 * 2.5^2, -1.5 + 2 * 1.5^2
    {"=SUMPRODUCT(CHOOSE({1,2},3,4))", number(7)},
    {"=SUMPRODUCT(SUBTOTAL({1,9},A1:A6))", number(11.75 / 6 + 11.75)},
    // ... but not a regression's fit, an array itself: it reads one value
    {"=SUMPRODUCT(LINEST(A1:A6,A1:A6,{1,0}))", number(1)},  // slope 1, intercept 0
    {"=SUMPRODUCT(TREND(A1:A6,A1:A6,A1:A6,{1,0}))", number(11.75)},
    // six results against one factor: arrays of different sizes
    {"=SUMPRODUCT(-\"0.5\",A3,VLOOKUP(Rate,{1,2,3},Block,A3%))", error(CellError::Value)},
    // outside an array-taking call an array there is read by its first element
    {"=VLOOKUP(1,{1,2,3},{2,1})", number(2)},
    {"=PERCENTILE(A1:A6,{1,0})", number(7)},
    {"=NPV({1,0},1)", number(0.5)},
    // the logarithm of any positive number, however small
    {"=LN(1E-300%)", number(-302 * std::log(10.0))},
    {"=LOG10(1E-308)", number(-308)},
    // a perfect fit leaves no residual, though rounding may leave -0.x ulp
    {"=STEYX({1,2;3,4},{1,2;3,4}%)", number(0)},
    // a join holds what a cell holds, 32,767 characters
    {"=LEN(REPT(\"a\",200)&REPT(\"b\",56))", number(256)},
    {"=LEN(REPT(\"a\",30000)&REPT(\"b\",2767))", number(32767)},
    {"=LEN(REPT(\"a\",30000)&REPT(\"b\",2768))", error(CellError::Value)},
    // an array of one element is an array, given where a range is taken:
    // its text is skipped, or counted as 0 by AVERAGEA; with a number beside
    // it the library's forms want arrays throughout; a one-cell range is its
    // value (-7 * 2.5 + 49 * 3)
    {"=AVEDEV(TRANSPOSE(\"2\"),1)", number(0)},
    {"=AVERAGEA({\"2\"})", number(0)},
    {"=NPV(0.1,{\"2\"})", number(0)},
    {"=LARGE({\"2\"},1)", error(CellError::Num)},
    {"=QUADPRODUCT(-7,TRANSPOSE(2),3)", error(CellError::Value)},
    {"=DOTPRODUCT({2},3)", error(CellError::Value)},
    {"=QUADPRODUCT(-7,A1,3)", number(129.5)},
    // ... and MMULT and MINVERSE answer an array even of one element
    {"=TYPE(MMULT(2,1))", number(64)},
    {"=TYPE(MINVERSE(2))", number(64)},
    {"=QUADTERM(MMULT(2,1),3,4)", error(CellError::Value)},
    // IF and CHOOSE hand back the cell they choose, a reference: a sum skips
    // its text or logical, a blank stays blank, ISREF and ROW see the cell
    {"=SUM(IF(TRUE,B2),1)", number(1)},
    {"=MAX(CHOOSE(1,B4),-1)", number(-1)},
    {"=COUNTA(IF(A1>0,B5))", number(0)},
    {"=ISBLANK(CHOOSE(2,1,B5))", boolean(true)},
    {"=IF(TRUE,B5)&\"x\"", text("x")},
    {"=ISREF(IF(A1>0,A3,A2))", boolean(true)},
    {"=ROW(IF(FALSE,,A3))+COLUMN(CHOOSE(1,B1))", number(5)},
    {"=IF(TRUE,B5)", number(0)},
    // no rate makes these flows' value vanish: the bracket about the guess
    // closes on the pole at -1, which is no root
    {"=IRR(A1:A3,-1)", error(CellError::Num)},
    // logarithms to the bases 10 and 2 give their powers whole
    {"=INT(LOG10(1000))", number(3)},
    {"=EDATE(LOG(1E+15),A4)", number(106)},  // 15 January 1900 and 3 months
    {"=LOG(1000,10)+LOG(2^29,2)", number(32)},
    // ASINH of a large negative number keeps its slope, 1 / sqrt(1 + x^2)
    {"=ASINH(1E+15/-A5)", number(-33.286013426415316)},
    // an error the arguments decide in order is the same in every mode
    {"=ERROR.TYPE(DSTDEVP(#N/A,2,A1:A3))", number(7)},
    // TREND's constant is one value read around the call: -A1:A2 meets row
    // 1 in A1 (-2.5, TRUE); -A1:B2 meets it in two cells, #VALUE!
    {"=TREND(A1:A3,,4,-A1:A2)", number(-1.5)},
    {"=TREND(A1:A3,,4,-A1:B2)", error(CellError::Value)},
    // every mode divides as the value mode does, not by a reciprocal: KURT
    // cancels 58-fold here (10/3 S - 13.5), and the reverse mode's value
    // was 1.8E-14 off
    {"=KURT(\"2\",A2,A5,A2)", number(0.23737910511212235)},
    // a database's header and criteria read from variable cells select the
    // same records in every mode: A1:A3 is headed 2.5 over -1.5 and 0.5
    {"=DSUM(A1:A3,1,A1:A2)+A1", number(1)},
    {"=DCOUNT(A1:A3,1,{2.5;\">0\"})+A1", number(3.5)},
    {"=DMAX(A1:A3,1,{2.5;\"<0\"})", number(-1.5)},
    // a blank is the complex number 0: its real part and conjugate are 0
    {"=IMREAL(B5)&IMCONJUGATE(B5)", text("00")},
    {"=MINVERSE(IMREAL(B5))", error(CellError::Num)},
    // SUMIF's sum range has its range's size from its first cell: A5 stands
    // for A5:A10 (A2 matches, so A6), D1 for D1:D6 (A2 below 0, so D2)
    {"=SUMIF(Block,A2,A5)", number(0.25)},
    {"=SUMIF(A1:A6,\"<0\",D1)", number(1)},
    // ... a computed range leaves the sum range its own size: C1 alone
    // (a text), not C1:D1
    {"=SUMIF(({0.5,-1}<={0.5,-1}),TRUE,C1)", number(0)},
    // ... and only a reference that is the whole argument is resized: the
    // A3 of 1/(A3-A3) stays A3
    {"=SUMIF({1,2},1,1/(A3-A3))", error(CellError::Div0)},
    {"=SUMIF({1,2},1,SQRT(A3))+SUMIF({1,2},2,A3)", number(0.70710678118654757)},
    // ... which leaves D1:E2 written elsewhere in the formula as it stands
    {"=SUMIF(3,A5,D1:E2)+SUM(D1:E2)", number(7)},
    // 0 to a negative power is #DIV/0!, to the power 0 #NUM!, in every mode
    {"=ERROR.TYPE(1/0^-A5)", number(2)},
    {"=ERROR.TYPE((A1-2.5)^0)+A1", number(8.5)},
    // the inverse hyperbolics of the derivative modes have the value mode's
    // value, to the last bit, near 0 too
    {"=10/ATANH(A3%)", number(1999.9833332222208)},
    {"=1/ASINH(A3*1E-10)", number(2e10)},
    // CHOOSE's index from a variable picks at its point in every mode
    {"=CHOOSE(A1,45,A2*A3,)", number(-0.75)},
    {"=COUNTBLANK(CHOOSE(A1,45,A1,))", number(0)},
    // ... and a range given for the index meets the formula's row (A1)
    // first: the cell chosen is still a reference
    {"=ISREF(CHOOSE(Block,45,A1,))", boolean(true)},
    {"=COUNTBLANK(CHOOSE(Block,45,B5,))", number(1)},
    // SMALL over a range of k inside an array-taking call answers an array
    {"=ROWS(SMALL({1,2,3},A1:A2))", number(2)},
    // ... also when an error among the numbers is each element's answer
    {"=ROWS(SMALL(B1:B8,B1:B8))", number(8)},
    {"=MINVERSE(SMALL(B1:B8,B1:B8))", error(CellError::Value)},
    // a cumulative POISSON stops where its rest no longer counts in every
    // mode: at a huge count it is 1, flat in the mean
    {"=POISSON(1E+15,A5,TRUE)", number(1)},
    // -7 / 0.07 is -100.00000000000001 in doubles, a whole number of steps
    // but for the division's last bits: -7 is its own multiple
    {"=CEILING(-7,--7%)", number(-7)},
    {"=FLOOR(-7,-0.07)", number(-7)},
    // ... as EVEN and ODD read a number a few ulps off a whole one: LOGEST's
    // e^ln 3 is 3.0000000000000004
    {"=ODD(LOGEST(A4,,0,))+EVEN(EXP(LN(4)))", number(7)},
    // ... and ROUND, ROUNDUP, ROUNDDOWN and TRUNC give the whole number a
    // value's 15 digits read as, not the value's last bits
    {"=ISODD(TRUNC(2.9999999999999996))+ISODD(ROUNDDOWN(2.9999999999999996,0))", number(2)},
    {"=ROUNDUP(2.0000000000000004,0)-2+ROUND(0.1*3,1)-0.3", number(0)},
    // ... and more steps than the doubles count are #NUM!
    {"=FLOOR(1E+300,1E-300)", error(CellError::Num)},
    {"=MROUND(1E+300,1E-300)", error(CellError::Num)},
    // IF over a block of conditions outside an array formula: a range given
    // for a branch meets the formula's row first (A1:A6 in A1; A1:B2 in two
    // cells, #VALUE!)
    {"=IF({1,0},A1:A6,0)", number(2.5)},
    {"=IF({1,\"a\",3},A1:B2)", error(CellError::Value)},
    // ROMAN's form: FALSE is the most concise (4), TRUE the classic (0),
    // not the numbers 0 and 1; a text reads as its number
    {"=ROMAN(45,FALSE)&ROMAN(45,TRUE)&ROMAN(45,\"1\")", text("VLXLVVL")},
    // a regression's fit is an array even of one value: one row, one column
    {"=COLUMNS(TREND(FALSE,TRUE,,0))+ROWS(LINEST(1,1,0))", number(2)},
    {"=TYPE(GROWTH(1,1,,0))", number(64)},
    // ... and so is FREQUENCY's count over a single bin
    {"=ROWS(FREQUENCY(C1,B4))+TYPE(MMULT(2,3))", number(65)},
    {"=DOTPRODUCT(FREQUENCY(C1,B4),1)", error(CellError::Value)},
    // a payment's principal in closed form, -rate (pv + fv) t^(per-1) /
    // (t^nper - 1): the payment less pv's interest kept 7 digits at a rate
    // of 100 and none at 1E+15
    {"=IPMT(100,5,Twice,A3)", number(-49.504950499759731)},
    {"=IPMT(\"1E2\",Twice,Twice,A3,,)", number(-49.504950499759731)},
    {"=PPMT(1E+15,A1,A1,A1)", number(-2.4999999999999975)},
    // (1 + rate)^nper - 1 near 0 from ln(1 + rate) and e^u - 1 by their
    // series: 1E-300 periods at 250 % grow by ln(3.5) / 2.5 per unit paid,
    // a rate of 3E-15 keeps its digits, and a rate of exactly 0 keeps its
    // slope (PMT's gradient in A2 moves the rate from 0 and nper with it)
    {"=PV(A1,1E-300,1E+300,Twice)", number(-5.5011051873981476)},
    {"=FV((A4/1E+15),{1,2;3,4},{1,2;3,4},{1,2;3,4})", number(-2.000000000000003)},
    {"=FV(A1/1E+12,1E+9,1,A3)", number(-1001251042.8180324)},
    {"=PMT((A2-\"-1.5\"),-A2,\"2\")", number(-4.0 / 3)},
    {"=NPER(1E-12,-1,100)", number(100.00000000505)},
    {"=NPER(A2+1.5,-1,100,A1)+IPMT(A2+1.5,2,A4,A5)", number(102.5)},
    {"=CUMPRINC(A3/1E+10,12,100,1,A4,0)", number(-24.999999994375)},
    {"=EFFECT(1E-15,1)/1E-15+NOMINAL(1E-15,2)/1E-15", number(2)},
    // a fit of data whose squares leave the doubles: x = 1E+300 has slope
    // 1E-300, not 0 nor #DIV/0!
    {"=TREND(1,1E+300,1,0)", number(1e-300)},
    {"=TREND(1,1E-300,1,0)", number(1e300)},
    {"=LINEST({1,2,4},{1E-300,2E-300,3E-300})", number(1.5e300)},
    {"=TREND({1,2,4}*1E+300,{1,2,3},4)", number(5.3333333333333333e300)},
    // ... and of x far from 0 against its spread: about the means the
    // normal equations keep the digits (the full ones gave TREND 1.0993)
    {"=LINEST({1,2,3},{100000001,100000002,100000003})", number(1)},
    {"=TREND({1,2,3},{100000001,100000002,100000003},100000004)", number(4)},
    // a blank given for TREND's data is no number; known y left out is 0
    {"=TREND(A5,INDEX(,,))", error(CellError::Value)},
    {"=TREND(,,,0)+TYPE(TREND(,,,0))", number(64)},
    // a text, logical, blank or left-out element makes SUMPRODUCT's product
    // 0, numbers that overflow before it too
    {"=SUMPRODUCT(1E+300,1E+300,)+SUMPRODUCT(1E+300,1E+300,B5)", number(0)},
    {"=SUMPRODUCT(A1*1E+300,1E+300,\"a\")+SUMPRODUCT(1E+300,1E+300,TRUE)", number(0)},
    {"=SUMPRODUCT(1E+300,1E+300,0)", error(CellError::Num)},
    // ... and an error after the logical is still the result, in every mode
    {"=TYPE(SUMPRODUCT(#NUM!,A1,FALSE,0))", number(16)},
    {"=COUNTIF(SUMPRODUCT((1=1),B3%,A1,),)", number(0)},
    // FISHERINV is tanh: near 0 it keeps the digits e^2y - 1 loses
    {"=FISHERINV(A1*1E-10)", number(2.4999999999999999e-10)},
    {"=LOG10(FISHERINV(--A1%%))", number(-3.602060000375764)},
    // MDETERM and MINVERSE eliminate in quadruple precision: 52 - 51 * 50 /
    // 49 cancels 1,300-fold, which the doubles' digits did not survive; two
    // rows by the determinant's definition, exact but for one rounding; a
    // pivot lost in the rounding of the largest entry is none. The values
    // are the exact answers, rounded
    {"=MDETERM(CODE({1,2;3,4}))", number(-2)},
    {"=MINVERSE({49,50;51,52})", number(-26)},
    {"=MDETERM(1E+8-D1:E2)", number(-299999995)},
    {"=MDETERM(1E+15+{1,2;3,4})", number(-2)},
    {"=MINVERSE((1E+15-D1:E2))", number(-0.33333333333333287)},
    {"=INDEX(MINVERSE(1E+15+{1,2;3,4}),2,2)", number(-500000000000000.5)},
    {"=INDEX(MINVERSE(1E+8+{1,2,3;4,5,6;7,8,10}),1,1)", number(-33333334)},
    {"=INDEX(MINVERSE({0.1,0.2,0.3;0.4,0.5,0.6;0.7,0.8,0.9}),1,1)", number(-7205759403792795)},
    {"=MDETERM({1,2,3;4,5,6;7,8,9})", number(0)},
    {"=MINVERSE({1,2,3;4,5,6;7,8,9})", error(CellError::Num)},
    // SKEW's moments in long double about a long double mean: the third
    // moment moves with the mean's last bit, which turned the 15th shown
    // digit (0.664936213166260, and LEN 16, are the true value's)
    {"=SKEW(A1:A3,,)", number(0.66493621316625967)},
    {"=LEN(SKEW(A1:A3,,))", number(16)},
    // a number that is a multiple of the step already is itself, not its
    // count of steps times the step, rounded; more steps than the doubles
    // count are #NUM!
    {"=FLOOR(1,1E-300)-1+MROUND(1,1E-300)-1", number(0)},
    {"=RATE(FLOOR(1,1E-300),0,B7)", number(-1)},
    {"=CEILING(1E+300,1E-300)", error(CellError::Num)},
    // PERCENTRANK cuts its rank as the 15 digits read: (1.47 / 1.75) / 5 is
    // 0.168 exactly, whose rounded forms fell either side of it
    {"=PERCENTRANK(A1:A6,-A4%)", number(0.168)},
    // a fit's coefficient beyond the doubles is a #NUM! element, not a
    // number MMULT multiplies before it finds its blank factor
    {"=MMULT(LOGEST(--1E+300,0.001,0),)", error(CellError::Num)},
    {"=MMULT(GROWTH(1E+300,0.001,1,0),)", error(CellError::Num)},
    // a variance of variables carries the value the value mode gives, its
    // squared deviations added in long double: the variance rounded
    // correctly (216.74652777777777), whose last bit SIN brings to the
    // 12th digit
    {"=SIN(VARA(45,,A1:A6,))", number(0.023363193972642686)},
    {"=SIN(VAR(45,A1:A6,Block))", number(-0.83578246824742697)},
    // a 0 makes LCM 0 even where the others' multiple left the doubles
    {"=LCM(1E+15,1E+300,A3)", number(0)},
    {"=LCM(0,-1)", error(CellError::Num)},
    // the normal, gamma and chi-squared laws to the last digits (a stop at
    // 3E-7 left them 8, and NORMSDIST stepped by 2E-8 at z^2 = 3); a flat
    // tail has second derivatives 0, not an overflow of its slopes squared
    {"=NORMSDIST(SQRT(3))", number(0.95836774166822479)},
    {"=GAMMADIST(2,3,1,TRUE)", number(0.32332358381693654)},  // 1 - 5 e^-2
    {"=CHIDIST(3,4)", number(0.55782540037107453)},           // 2.5 e^-1.5
    {"=ERF(1)-ERF(0,1)", number(0)},
    {"=LOGNORMDIST(1,-A3,1E-300)", number(1)},
    // a lookup that lands on an empty cell finds the number 0, not a blank
    {"=VLOOKUP(7,A1:B5,2,FALSE)&\"x\"", text("0x")},
    {"=COUNT(HLOOKUP(1,B5:B6,1))+ISBLANK(LOOKUP(7,A1:A5,B1:B5))", number(1)},
    // ZTEST's sigma of -0 is 0: the mean below x gives 1
    {"=ZTEST({1,2,3},10,-0%)", number(1)},
    // a call lifted over CHOOSE's index takes one value of a chosen array,
    // its first, as the workbook does: 3 numbers over 2 pairs, PEARSON 1
    {"=PEARSON({1,\"a\",3},CHOOSE({1;2;3},A3,C1,{1,\"a\",3}))", number(1)},
    {"=TYPE(INDEX(CHOOSE({1;2;3},A3,C1,{1,\"a\",3}),3,1))", number(1)},
    // WEIBULL at x = 0 is 0 in every mode, x from a variable too
    {"=WEIBULL(0*A6,1,2,FALSE)+WEIBULL(A6-A6,1,2,TRUE)", number(0)},
    // ... and 0 where its exponential is: 4^500 / 0.5^500's slopes overflow
    {"=WEIBULL(2,200*A1,0.5,0)", number(0)},
};

TEST(LeftOutArguments, BothCalculationsAndTheDerivativeModesGiveTheWorkbooksValue) {
  Fe_registerFunctions();
  Workbook* wb = Diff_workbook();
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.formula);
    const CellValue standIn = diff_detail::standInValue(wb, row.formula);
    EXPECT_TRUE(diff_detail::sameValue(standIn, row.expected)) << "stand-in " << Cases_shown(standIn);
    const DiffOutcome out = Diff_check(wb, row.formula);
    EXPECT_TRUE(out.agree) << out.kind << ": " << out.detail;
  }
  Wb_resetApp();
}

}  // namespace
