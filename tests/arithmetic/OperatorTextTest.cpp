// The text an integer-valued number joins with: within the 32-bit range its
// digits, beyond it the number as a real, never a wrapped integer.
#include <gtest/gtest.h>

#include <string>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

TEST(OperatorText, IntegerValuedNumbersJoinWithTheirOwnDigits) {
  EvalContext* ctx = Vm_createContext();
  Value number = Val_empty(ctx), empty = Val_empty(ctx);
  Val_setText(&empty, u"");
  for (double x : {2147483647.0, -2147483648.0, 3000000000.0, -5e12}) {
    Val_setNumber(&number, x);
    number.kind = kValInt;
    const Value joined = Op_concat(number, empty);
    ASSERT_EQ(joined.kind, kValText);
    EXPECT_DOUBLE_EQ(std::stod(Text_toUtf8(joined.text)), x);
  }
  Val_clear(&empty);
  Vm_destroyContext(ctx);
}
