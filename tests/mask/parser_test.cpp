// Tokenizer, number reader and binding table.
#include <cstring>
#include <vector>

#include "mask/Tokenizer.h"
#include "mask_test_support.h"

namespace {

struct TokenRow {
  const char* text;
  std::vector<std::string> tokens;
};

std::vector<std::string> tokenize(const char* text) {
  TextCursor cursor{text, text + std::strlen(text)};
  std::vector<std::string> out;
  for (int guard = 0; guard < 20; ++guard) {
    Token token;
    const signed char code = Tokenizer::nextToken(cursor, token);
    out.push_back(std::to_string(code));
    if (token.end > token.begin) out.back() += ":" + std::string(token.begin, token.end);
    if (code <= 0) break;
  }
  return out;
}

TEST(TokenizerTest, TokensAndNumbers) {
  const TokenRow rows[] = {
      {"a<=b", {"2:a", "8", "2:b", "0"}},
      {"'x y' \"q'\" ''", {"17:x y", "17:q'", "17", "0"}},
      {"'open", {"-2"}},
      {"$hexatodec$", {"-3:hexatodec"}},
      {"true false trueX _a1", {"6:true", "7:false", "2:trueX", "2:_a1", "0"}},
      {"r 12", {"5:12", "0"}},
      {"r  A", {"114", "2:A", "0"}},
      {"\200\377A\001", {"2:A", "0"}},
      {".5", {"0"}},
      // Numbers: an exponent or '.' makes a real, a leading "0x" its decimal value.
      {"1e+3-2", {"3:1e+3", "45:-", "5:2", "0"}},
      {"1e5.2", {"1:1e5.2", "0"}},
      {"0x1F", {"5:31", "0"}},
      {"0xFFFFFFFF", {"5:2147483647", "0"}},
      {"0x", {"5:0", "0"}},
      {"1x5", {"5:1x5", "0"}},
      {"0X1F", {"5:0", "2:X1F", "0"}},
  };
  for (const TokenRow& row : rows) EXPECT_EQ(tokenize(row.text), row.tokens) << row.text;
}

class ParserTest : public MaskTest {
 protected:
  void SetUp() override {
    for (const char* name : {"A", "B", "C", "K", "X", "Y", "r", "X1F"})
      store().setVariable(name, 1, 0);
  }
};

TEST_F(ParserTest, BindingTable) {
  const std::pair<const char*, const char*> rows[] = {
      {"A - B - C", "[-, A, [-, B, C]]"},
      {"A - B + C", "[+, [-, A, B], C]"},
      {"A & B | C", "[|, [&, A, B], C]"},
      {"A | B & C", "[&, [|, A, B], C]"},
      {"A # B # C", "[#, A, [#, B, C]]"},
      {"A + B * C # K", "[+, A, [*, B, [#, C, K]]]"},
      {"A == 1 && B == 2", "[==, A, [&&, 1, [==, B, 2]]]"},
      {"(A == 1) && (B == 2)", "[&&, [==, A, 1], [==, B, 2]]"},
      {"A || B && C", "[||, A, [&&, B, C]]"},
      {"X = Y + 1", "[=, X, [+, Y, 1]]"},
      {"A + 1 < 5", "[<, [+, A, 1], 5]"},
      {"A <= B >= C != K", "[<=, A, [>=, B, [!=, C, K]]]"},
      {"-A | B", "[-, [|, A, B]]"},
      {"!A & B", "[!, [&, A, B]]"},
      {"!A == B", "[==, [!, A], B]"},
      {"X = C ? 1 : 2", "[=, X, [C ? 1 : 2]]"},
      {"K + C ? A : B", "[[+, K, C] ? A : B]"},
      {"A ? B : C + 1", "[A ? B : [+, C, 1]]"},
      {"A ? B", "[A ? B : ]"},
      {"A ! B", "A"},
      {"A; B + 1", "A"},
      {"A + (B", "error -4"},
      {"$HexaToAscii$(A) + $StringToLong$('a') + $HexaToString$(1)",
       "[+, [$HexaToAscii$, A], [+, [$StringToLong$, a], [$HexaToString$, 1]]]"},
      {"&& A", "[&&, , A]"},
      {"\"caf\xc3\xa9\"", "caf\xc3\xa9"},
      {"99999999999", "2147483647"},
  };
  for (const auto& [text, form] : rows) EXPECT_EQ(printed(text), form) << text;
}

}  // namespace
