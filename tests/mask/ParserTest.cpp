// Tokenizer, number reader, binding table and printable forms.
#include <cstring>
#include <vector>

#include "MaskTestSupport.h"
#include "mask/Tokenizer.h"

namespace {

std::vector<std::string> tokenize(const char* text) {
  TextCursor cursor{text, text + std::strlen(text)};
  std::vector<std::string> out;
  for (int guard = 0; guard < 20; ++guard) {
    Token token;
    const signed char code = Tokenizer::nextToken(cursor, token);
    std::string item = std::to_string(code);
    if (token.end > token.begin) item += ":" + std::string(token.begin, token.end);
    out.push_back(item);
    if (code <= 0) break;
  }
  return out;
}

TEST(TokenizerTest, Tokens) {
  struct Row {
    const char* text;
    std::vector<std::string> tokens;
  };
  const Row rows[] = {
      {"a<=b", {"2:a", "8", "2:b", "0"}},
      {">= == != && ||", {"9", "10", "11", "12", "13", "0"}},
      {"! # & ( ) * + - / : < = > ? |",
       {"33:!", "35:#", "38:&", "40:(", "41:)", "42:*", "43:+", "45:-", "47:/", "58::", "60:<",
        "61:=", "62:>", "63:?", "124:|", "0"}},
      {"'x y' \"q'\" ''", {"17:x y", "17:q'", "17", "0"}},
      {"'open", {"-2"}},
      {"$HexaToDec$$HexaToAscii$$HexaToString$$StringToLong$",
       {"14:HexaToDec", "15:HexaToAscii", "16:HexaToString", "18:StringToLong", "0"}},
      {"$hexatodec$", {"-3:hexatodec"}},
      {"$HexaToDec", {"-2"}},
      {"true false trueX _a1", {"6:true", "7:false", "2:trueX", "2:_a1", "0"}},
      {"r A", {"2:A", "0"}},
      {"r 12", {"5:12", "0"}},
      {"r + 1", {"114", "43:+", "5:1", "0"}},
      {"r  A", {"114", "2:A", "0"}},
      {"r+1", {"2:r", "43:+", "5:1", "0"}},
      {"\x80\xff"
       "A\x01",
       {"2:A", "0"}},
      {"A % B", {"2:A", "0"}},
      {"A;B", {"2:A", "0"}},
      {".5", {"0"}},
  };
  for (const Row& row : rows) EXPECT_EQ(tokenize(row.text), row.tokens) << row.text;
}

TEST(TokenizerTest, Numbers) {
  struct Row {
    const char* text;
    std::vector<std::string> tokens;
  };
  const Row rows[] = {
      {"12", {"5:12", "0"}},
      {"1.5", {"3:1.5", "0"}},
      {"1.2.3", {"3:1.2.3", "0"}},
      {"1e3", {"3:1e3", "0"}},
      {"1e+3-2", {"3:1e+3", "45:-", "5:2", "0"}},
      {"1E-3", {"3:1E-3", "0"}},
      {"1e", {"3:1e", "0"}},
      {"1e5e", {"1:1e5e", "0"}},
      {"1e5.2", {"1:1e5.2", "0"}},
      {"12ab", {"1:12ab", "0"}},
      {"0x1F", {"5:31", "0"}},
      {"0x1f.8", {"3:31", "0"}},
      {"0xFFFFFFFF", {"5:2147483647", "0"}},
      {"0x", {"5:0", "0"}},
      {"1x5", {"5:1x5", "0"}},
      {"0X1F", {"5:0", "2:X1F", "0"}},
  };
  for (const Row& row : rows) EXPECT_EQ(tokenize(row.text), row.tokens) << row.text;
}

class ParserTest : public MaskTest {
 protected:
  void SetUp() override {
    for (const char* name : {"A", "B", "C", "K", "X", "Y", "BB", "r", "X1F"})
      store().setVariable(name, 1, 0);
  }
};

TEST_F(ParserTest, BindingTable) {
  struct Row {
    const char* text;
    const char* form;
  };
  const Row rows[] = {
      {"A + 1 == 3", "[==, [+, A, 1], 3]"},
      {"A - B - C", "[-, A, [-, B, C]]"},
      {"A - B + C", "[+, [-, A, B], C]"},
      {"A + B - C", "[+, A, [-, B, C]]"},
      {"A + B + C", "[+, A, [+, B, C]]"},
      {"A * B / C", "[/, [*, A, B], C]"},
      {"A & B | C", "[|, [&, A, B], C]"},
      {"A & B & C", "[&, [&, A, B], C]"},
      {"A # B # C", "[#, A, [#, B, C]]"},
      {"A + B * C # K", "[+, A, [*, B, [#, C, K]]]"},
      {"A == 1 && B == 2", "[==, A, [&&, 1, [==, B, 2]]]"},
      {"(A == 1) && (B == 2)", "[&&, [==, A, 1], [==, B, 2]]"},
      {"A == B == C", "[==, A, [==, B, C]]"},
      {"A || B && C", "[||, A, [&&, B, C]]"},
      {"X < Y + 1", "[<, X, [+, Y, 1]]"},
      {"A + 1 < 5", "[<, [+, A, 1], 5]"},
      {"A + BB < C", "[<, [+, A, BB], C]"},
      {"A <= B >= C != K", "[<=, A, [>=, B, [!=, C, K]]]"},
      {"-A | B", "[-, [|, A, B]]"},
      {"-A * B", "[*, [-, A], B]"},
      {"A - -B", "[-, A, [-, B]]"},
      {"A # -B | C", "[#, A, [-, [|, B, C]]]"},
      {"!A & B", "[!, [&, A, B]]"},
      {"!A == B", "[==, [!, A], B]"},
      {"X = C ? 1 : 2", "[=, X, [C ? 1 : 2]]"},
      {"X = Y = C", "[=, X, [=, Y, C]]"},
      {"K + C ? A : B", "[[+, K, C] ? A : B]"},
      {"A ? B : C + 1", "[A ? B : [+, C, 1]]"},
      {"A ? B ? C : K : X", "[A ? [B ? C : K] : X]"},
      {"A ? B : C ? K : X", "[A ? B : [C ? K : X]]"},
      {"A ? B", "[A ? B : ]"},
      {"(A ? B : C) + 1", "[+, [A ? B : C], 1]"},
      {"A == (B)", "[==, A, B]"},
      {"A B", "A"},
      {"A (B)", "B"},
      {"A ! B", "A"},
      {"r A", "A"},
      {"r+1", "[+, r, 1]"},
      {"A; B + 1", "A"},
      {"A + (B", "error -4"},
      {"$HexaToDec$('1F') == '31'", "[==, [$HexaToDec$, 1F], 31]"},
      {"$HexaToAscii$(A) + $StringToLong$('a') + $HexaToString$(1)",
       "[+, [$HexaToAscii$, A], [+, [$StringToLong$, a], [$HexaToString$, 1]]]"},
      {"-(A)", "[-, A]"},
      {"!", "error -4"},
      {"A < ", "[<, A, ]"},
      {"&& A", "[&&, , A]"},
  };
  for (const Row& row : rows) EXPECT_EQ(printed(row.text), row.form) << row.text;
}

TEST_F(ParserTest, PrintableValues) {
  struct Row {
    const char* text;
    const char* form;
  };
  const Row rows[] = {
      {"1.5", "            1.5000000000"},
      {"1e3", "         1000.0000000000"},
      {"1.2.3", "            1.2000000000"},
      {"0x1F", "31"},
      {"-5", "[-, 5]"},
      {"true", "true"},
      {"false", "false"},
      {"'x y'", "x y"},
      {"\"caf\xc3\xa9\"", "caf\xc3\xa9"},
      {"0X1F", "0"},
      {"99999999999", "2147483647"},
  };
  for (const Row& row : rows) EXPECT_EQ(printed(row.text), row.form) << row.text;
}

// Statuses of whole texts through the interpreter, with the value written.
TEST_F(ParserTest, InterpreterStatuses) {
  struct Row {
    const char* text;
    int status;
    double result;  // -99 when the result must stay untouched
  };
  const Row rows[] = {
      {"", 0, -99},
      {"   ", 0, -99},
      {"(1 + 2", 0, -99},
      {"1 + 2", 0, 3},
      {"true", 1, 1},
      {"false", 2, 0},
      {"'abc'", -3, -99},
      {"1e3", 0, 1000},
      {"1.2.3", 0, 1.2},
      {"0xFFFFFFFF", 0, 2147483647},
      {"1x5", 0, 1},
      {"12ab", -2, -99},
      {"1e5e", -2, -99},
      {"0X1F + 1", 0, 1},
      {"0Y1F", -5, -99},
      {"A Q", -5, -99},
      {"Q", -5, -99},
      {"r + 1", -2, -99},
      {"r+1", 0, 2},
      {"A ? 'x:y' : B", -2, -99},
      {"2(3)", -2, -99},
      {"2 (3)", -2, -99},
      {"(2)(3)", 0, 3},
      {")", -2, -99},
      {"1 : 2", -2, -99},
      {"$Unknown$(1)", -2, -99},
      {"$HexaToDec$ (1)", -2, -99},
      {"$HexaToDec$(1", -2, -99},
      {"$HexaToDec$", -2, -99},
      {"'abc", -2, -99},
      {"1 = 2", -3, -99},
      {"= 2", -3, -99},
      {"A == 1 && B == 2", -2, -99},
      {"(A == 1) && (B == 1)", 1, 1},
      {"(A == 1) && (B == 2)", 2, 0},
      {"(A == 1) && (B == 2) && (C == 2)", 2, 0},
      {"A & 4", 0, 0},
      {"A / 2.0", 0, 0.5},
  };
  for (const Row& row : rows) {
    double result = -99;
    EXPECT_EQ(interpreter.evaluate(row.text, result), row.status) << row.text;
    EXPECT_DOUBLE_EQ(result, row.result) << row.text;
  }
}

}  // namespace
