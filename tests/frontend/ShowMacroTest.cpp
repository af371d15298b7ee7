// The front end's "Show" macro called as the library calls it: once it has
// answered stop to a limit it answers stop to every later call of the action,
// a shown iteration's too, so that nothing runs on past the limit; with
// --on-limit continue it goes on; a new session starts afresh.
#include <gtest/gtest.h>

#include <string>

#include "frontend/Fe_Command.h"
#include "frontend/Fe_Session.h"
#include "platform/xlcall/Xlcall.h"

namespace {

constexpr int kShownIteration = 1, kTimeLimit = 2;

// The macro's answer to a call with `reason`; -1 when the call fails.
double show(int reason) {
  char name[] = "\x04Show";
  XLOPER macro, why, answer;
  macro.xltype = xltypeStr;
  macro.val.str = name;
  why.xltype = xltypeNum;
  why.val.num = reason;
  answer.xltype = xltypeNil;
  if (Excel4(xlUDF, &answer, 2, &macro, &why) != xlretSuccess) return -1;
  const double value = answer.xltype == xltypeNum ? answer.val.num : -1;
  Excel4(xlFree, nullptr, 1, &answer);
  return value;
}

const std::string kBook = std::string(CORVAN_DATA) + "/lp/afiro.xlsx";

}  // namespace

TEST(ShowMacro, OnceItStoppedAtALimitItAnswersStopToEveryLaterCall) {
  FeSession s;
  ASSERT_TRUE(Fe_open(&s, kBook, "", FeOnLimit::Stop));
  EXPECT_EQ(show(kShownIteration), 1);
  EXPECT_EQ(show(kTimeLimit), 0);
  EXPECT_EQ(show(kShownIteration), 0);
  EXPECT_EQ(show(kTimeLimit), 0);
  Fe_close(&s);
  ASSERT_TRUE(Fe_open(&s, kBook, "", FeOnLimit::Stop));
  EXPECT_EQ(show(kShownIteration), 1);
  Fe_close(&s);
}

TEST(ShowMacro, GoingOnAtALimitKeepsAnsweringGoOn) {
  FeSession s;
  ASSERT_TRUE(Fe_open(&s, kBook, "", FeOnLimit::Continue));
  EXPECT_EQ(show(kTimeLimit), 1);
  EXPECT_EQ(show(kShownIteration), 1);
  Fe_close(&s);
}
