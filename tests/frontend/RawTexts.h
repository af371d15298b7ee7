// The library's own texts that must not reach the user: its status texts,
// its refusal captions and its internal names, which the front end says in
// words of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

inline const char* const kRawTexts[] = {"Unsupported Excel function",
                                        "Unknown function",
                                        "Missing Diagnostic/Memory",
                                        "Undefined identifier",
                                        " !",
                                        "Model refused",
                                        "Interpret_",
                                        "DLL Error"};

// Fails the test for each raw text the output holds.
inline void expectNoRawText(const std::string& out) {
  for (const char* raw : kRawTexts) EXPECT_EQ(out.find(raw), std::string::npos) << raw << " in " << out;
}
