// Value classes of the host: BSet, BByteArray, ID, StringSet, the wide formatter.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "BByteArray.h"
#include "BSet.h"
#include "ID.h"
#include "ZrkUtils.h"

namespace {

// ACE's string built from an empty literal trips a false -Wstringop-overflow in
// GCC; building it with an explicit length does not.
ACE_WString wide(const wchar_t* text) {
  return ACE_WString(text, std::wcslen(text));
}

std::wstring str(const ACE_WString& s) {
  return std::wstring(s.c_str(), s.length());
}

std::wstring hexOf(const BByteArray& bytes) {
  ACE_WString text;
  bytes.getString(text);
  return str(text);
}

enum class Kind { Int, Float, String, Bytes };

BSet sampleSet() {
  BSet set(10);
  set.setInt(L"Count", 5);
  set.setFloat(L"Voltage", 12.5);
  set.setString(L"VIN", L"VF1");
  set.setByteArray(L"Frame", BByteArray("62F1"));
  return set;
}

TEST(HostBSet, TypedReadsSucceedOnlyForTheStoredTypeAndLeaveTheOutValueAlone) {
  struct Row {
    Kind kind;
    const wchar_t* name;
    bool found;
    std::wstring expected;  // the value read, as text
  };
  const Row rows[] = {
      {Kind::Int, L"Count", true, L"5"},    {Kind::Float, L"Voltage", true, L"12.5"},
      {Kind::String, L"VIN", true, L"VF1"}, {Kind::Bytes, L"Frame", true, L"62F1"},
      {Kind::Int, L"Voltage", false, L""},  {Kind::Float, L"Count", false, L""},
      {Kind::String, L"Count", false, L""}, {Kind::Bytes, L"VIN", false, L""},
      {Kind::Int, L"Absent", false, L""},   {Kind::String, L"count", false, L""},
      {Kind::Int, L"", false, L""},
  };
  const BSet set = sampleSet();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int status = -1;
    std::wstring got;
    bool unchanged = true;
    switch (row.kind) {
      case Kind::Int: {
        long value = -77;
        status = set.getInt(wide(row.name), value);
        got = std::to_wstring(value);
        unchanged = value == -77;
        break;
      }
      case Kind::Float: {
        double value = -77.0;
        status = set.getFloat(wide(row.name), value);
        got = ZrkUtils::wideSprintf(L"%g", value).c_str();
        unchanged = value == -77.0;
        break;
      }
      case Kind::String: {
        ACE_WString value(L"sentinel");
        status = set.getString(wide(row.name), value);
        got = str(value);
        unchanged = got == L"sentinel";
        break;
      }
      case Kind::Bytes: {
        BByteArray value("EE");
        status = set.getByteArray(wide(row.name), value);
        got = hexOf(value);
        unchanged = got == L"EE";
        break;
      }
    }
    if (row.found) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(got, row.expected);
    } else {
      EXPECT_NE(status, 0);
      EXPECT_TRUE(unchanged);
    }
  }
}

TEST(HostBSet, KeysKeepFirstInsertionOrderAndAReplacementMayChangeTheType) {
  BSet set = sampleSet();
  set.setString(L"Count", L"five");  // replaces in place
  set.setInt(L"Extra", 1);
  const StringSet keys = set.getAllKeys();
  std::vector<std::wstring> names;
  for (int i = 0; i < keys.length(); ++i) {
    ACE_WString name;
    ASSERT_EQ(keys.getAt(i, name), 0);
    names.push_back(str(name));
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Count", L"Voltage", L"VIN", L"Frame", L"Extra"}));
  ACE_WString name(L"kept");
  EXPECT_NE(keys.getAt(5, name), 0);
  EXPECT_NE(keys.getAt(-1, name), 0);
  EXPECT_EQ(str(name), L"kept");

  long count = 0;
  EXPECT_NE(set.getInt(L"Count", count), 0);
  ACE_WString text;
  EXPECT_EQ(set.getString(L"Count", text), 0);
  EXPECT_EQ(str(text), L"five");
}

TEST(HostBSet, CopiesAreIndependentAndMergeOverwritesByName) {
  BSet original = sampleSet();
  BSet copy(original);
  copy.setInt(L"Count", 9);
  long count = 0;
  ASSERT_EQ(original.getInt(L"Count", count), 0);
  EXPECT_EQ(count, 5);

  BSet update;
  update.setInt(L"Count", 6);
  update.setInt(L"New", 1);
  original.merge(update);
  EXPECT_EQ(original.size(), 5);
  ASSERT_EQ(original.getInt(L"Count", count), 0);
  EXPECT_EQ(count, 6);

  copy = original;
  original.setInt(L"New", 2);
  ASSERT_EQ(copy.getInt(L"New", count), 0);
  EXPECT_EQ(count, 1);
}

TEST(HostBByteArray, DecodesHexPairsAndPrintsUpperCase) {
  struct Row {
    const char* hex;
    std::vector<unsigned char> bytes;
    std::wstring text;
  };
  const Row rows[] = {
      {"62F190564631", {0x62, 0xF1, 0x90, 0x56, 0x46, 0x31}, L"62F190564631"},
      {"0aff", {0x0A, 0xFF}, L"0AFF"},
      {"", {}, L""},
      {"ABC", {0xAB}, L"AB"},     // odd digit dropped
      {"12zz34", {0x12}, L"12"},  // stops at the first foreign pair
      {"1 23", {}, L""},
      {nullptr, {}, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hex != nullptr ? row.hex : "(null)");
    const BByteArray fromText(row.hex);
    EXPECT_EQ(fromText.getArray(), row.bytes);
    EXPECT_EQ(hexOf(fromText), row.text);
    EXPECT_EQ(hexOf(BByteArray(row.bytes)), row.text);
  }
}

TEST(HostID, QueriesKeepOrDropTheFragment) {
  struct Row {
    ID id;
    std::wstring fullQuery;
    std::wstring query;
  };
  const Row rows[] = {
      {ID("diagServices:DiagServices?EcuDiag#DEMO"), L"EcuDiag#DEMO", L"EcuDiag"},
      {ID(L"makora:DM?DataManager"), L"DataManager", L"DataManager"},
      {ID(ACE_WString(L"diagData:DiagData")), L"", L""},
      {ID("a?b?c#d#e"), L"b?c#d#e", L"b?c"},
      {ID("x#frag"), L"", L""},
      {ID("x?"), L"", L""},
      {ID(), L"", L""},
      {ID(static_cast<const char*>(nullptr)), L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(str(row.id.getText())));
    ACE_WString full(L"sentinel");
    ACE_WString query(L"sentinel");
    EXPECT_EQ(row.id.getFullQuery(full), 0);
    EXPECT_EQ(row.id.getQuery(query), 0);
    EXPECT_EQ(str(full), row.fullQuery);
    EXPECT_EQ(str(query), row.query);
  }
  EXPECT_TRUE(ID("OrvFTServer") == ID(L"OrvFTServer"));
  EXPECT_FALSE(ID("OrvFTServer") == ID("OrvFTServer2"));
}

TEST(HostZrkUtils, WideSprintfUsesTheWindowsConvention) {
  EXPECT_EQ(str(ZrkUtils::wideSprintf(L"diagServices:DiagServices?EcuDiag#%s", L"DEMO")),
            L"diagServices:DiagServices?EcuDiag#DEMO");
  EXPECT_EQ(str(ZrkUtils::wideSprintf(L"%S/%d", "data:/Auto", 7)), L"data:/Auto/7");
  EXPECT_EQ(str(ZrkUtils::wideSprintf(L"%S", "Gr\xC3\xBC\xC3\x9F")), L"Gr\u00FC\u00DF");
}

}  // namespace
