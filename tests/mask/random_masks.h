#pragma once

// Random mask texts over every operator, function and kind of literal, some
// malformed and some assigning, and a digest of all that evaluating them
// gives: statuses, results and failure reasons, before and after the
// variables change.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "mask/ExpressionCodes.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"

class RandomMasks {
 public:
  explicit RandomMasks(uint64_t seed) : random_(seed) {}

  std::string next() {
    std::string text = expression(1 + pick(6));
    if (pick(10) == 0)
      text.insert(text.begin() + pick(static_cast<int>(text.size()) + 1),
                  static_cast<char>(1 + pick(255)));
    if (pick(10) == 0) text = "(X = " + expression(2) + ") + " + text;
    if (pick(20) == 0) text = "(" + expression(2) + ") * (W40 = " + expression(1) + ") + X";
    return text;
  }

 private:
  int pick(int n) { return static_cast<int>(random_() % static_cast<uint64_t>(n)); }
  template <size_t N>
  const char* any(const char* const (&words)[N]) {
    return words[pick(N)];
  }

  std::string expression(int depth) {
    static const char* const kLeaves[] = {
        "A",     "B",    "V",     "X",          "W40",      "B12",        "0",    "1",    "2",
        "7",     "-3",   "31",    "2147483647", "0x1F",     "0xFFFFFFFF", "2.5",  "0.0",  "1e3",
        "1e400", "'ab'", "'1F'",  "\"cd\"",     "''",       "'a'",        "' '",  "true", "false",
        "Q",     "255",  "65536", "5.9",        "'414243'", "12ab",       "1.2.3"};
    static const char* const kBinary[] = {" + ",  " - ",  " * ", " / ", " & ",  " | ",  " # ",
                                          " == ", " != ", " < ", " > ", " <= ", " >= ", " && ",
                                          " || ", "+",    "-",   "==",  "&&"};
    static const char* const kFunctions[] = {"$HexaToDec$", "$HexaToAscii$", "$HexaToString$",
                                             "$StringToLong$"};
    if (depth <= 0 || pick(4) == 0) return any(kLeaves);
    switch (pick(12)) {
      case 0:
        return "(" + expression(depth - 1) + ")";
      case 1:
        return "-" + expression(depth - 1);
      case 2:
        return "!" + expression(depth - 1);
      case 3:
        return std::string(any(kFunctions)) + "(" + (pick(8) ? expression(depth - 1) : "") + ")";
      case 4:
        return expression(depth - 1) + " ? " + expression(depth - 1) +
               (pick(4) ? " : " + expression(depth - 1) : "");
      case 5:
        if (pick(3) == 0) return std::string(pick(2) ? "X" : "W40") + " = " + expression(depth - 1);
        [[fallthrough]];
      case 6:
        return "(" + expression(depth - 1) + ")" + any(kBinary) + "(" + expression(depth - 1) + ")";
      default:
        return expression(depth - 1) + any(kBinary) + expression(depth - 1);
    }
  }

  std::mt19937_64 random_;
};

// FNV-1a over one line per text: the text, then status, result and reason of
// two evaluations in a row; all texts once, then again after the variables change.
// prepared: each text is prepared where it is first evaluated, and evaluated
// through that from then on.
inline uint64_t evaluationDigest(uint64_t seed, int count, bool prepared) {
  RandomMasks masks(seed);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(masks.next());
  SyntaxInterpreter interpreter;
  ExpressionStore& store = *interpreter.getStore();
  store.setVariable("A", 1, 0);
  store.setVariable("B", 2, 0);
  store.setVariable("V", 31, 0);
  store.setVariable("X", 0, 32);
  store.setVariable("W40", 1, 40);
  store.setVariable("B12", 2, 12);
  std::vector<SyntaxInterpreter::Prepared> handles(texts.size());
  uint64_t digest = 0xcbf29ce484222325u;
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < texts.size(); ++i) {
      const std::string& text = texts[i];
      if (prepared && round == 0) handles[i] = interpreter.prepare(text.c_str());
      std::string line = text + " =>";
      for (int again = 0; again < 2; ++again) {
        double result = -9;
        const int s = prepared ? interpreter.evaluate(handles[i], result)
                               : interpreter.evaluate(text.c_str(), result);
        char figures[64];
        std::snprintf(figures, sizeof figures, " %d %.17g [", s, result);
        line.append(figures).append(mask::failure()).append("]");
      }
      line += '\n';
      for (const char c : line) digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    store.setVariable("A", 3, 8);
    store.setVariable("B", -2, 0);
    store.setVariable("X", 5, 0);
    store.setVariable("Q", 9, 16);
  }
  return digest;
}
