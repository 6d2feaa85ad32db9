// The options dialog's settings in a real settings file: what it shows
// for stored, missing and damaged values, and what OK stores.

#include "app/shell/option_settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "file_platform_fake.h"

namespace kova::shell {
namespace {

using kova::testing::FilePlatform;
using kova::testing::TempFolder;

struct OptionSettingsFile : ::testing::Test {
  TempFolder dir;
  FilePlatform p;
  SettingsFile s;
  OptionSettingsFile() : s(make()) {}
  SettingsFile make() {
    kova::testing::fs::create_directories(dir.path() / "exe");
    p.cwd = dir.u("exe");
    return SettingsFile(p, dir.u("exe"), u"kova.exe");
  }
  void set(u16v key, u16v value) { s.write(u"SET", key, value); }
  u16 get(u16v key) { return s.read(u"SET", key); }
};

std::pair<int, int> fields(const HotkeySetting& h) { return {h.key, h.modifier}; }

TEST_F(OptionSettingsFile, NothingStoredShowsTheDefaults) {
  const OptionSettings o = readOptionSettings(s);
  EXPECT_FALSE(o.highLevel);
  EXPECT_FALSE(o.notExtraMove);
  EXPECT_FALSE(o.mouseOrg);
  EXPECT_FALSE(o.toClipboard);
  EXPECT_EQ(fields(o.play), (std::pair{1, 2}));
  EXPECT_EQ(fields(o.stop), (std::pair{2, 2}));
  EXPECT_EQ(fields(o.record), (std::pair{3, 2}));
  // The tray row shows W with CTRL+ALT.
  EXPECT_EQ(hotkeyKeyName(o.tray.key), u"W");
  EXPECT_EQ(hotkeyModifierName(o.tray.modifier), u"CTRL+ALT");
}

TEST_F(OptionSettingsFile, AnyNonZeroLevelIsTheHighLevel) {
  const auto level = [&](u16v stored) {
    set(u"RecLevel", stored);
    return readOptionSettings(s).highLevel;
  };
  EXPECT_FALSE(level(u"0"));
  EXPECT_TRUE(level(u"1"));
  EXPECT_TRUE(level(u"2"));
  EXPECT_TRUE(level(u"-1"));
  EXPECT_FALSE(level(u"high"));
  EXPECT_FALSE(level(u"1x"));
}

TEST_F(OptionSettingsFile, OnlyOneTicksABox) {
  for (const char16_t* stored : {u"true", u"01", u"2", u"-1", u"yes"}) {
    set(u"NotExtraMovRec", stored);
    set(u"MouseOrg", stored);
    set(u"Cp2Clipboard", stored);
    const OptionSettings o = readOptionSettings(s);
    EXPECT_FALSE(o.notExtraMove || o.mouseOrg || o.toClipboard) << toUtf8(stored);
  }
  set(u"MouseOrg", u"1");
  const OptionSettings o = readOptionSettings(s);
  EXPECT_TRUE(o.mouseOrg);
  EXPECT_FALSE(o.notExtraMove);
  EXPECT_FALSE(o.toClipboard);
}

TEST(HotkeyFields, ADamagedFieldTakesTheDefaultsFieldAndKeepsTheOther) {
  const HotkeySetting fallback{9, 4};
  const auto read = [&](u16v stored) { return fields(readHotkeySetting(stored, fallback)); };
  EXPECT_EQ(read(u"54,5"), (std::pair{54, 5}));  // the last entry of each table
  EXPECT_EQ(read(u"0,0"), (std::pair{0, 0}));
  EXPECT_EQ(read(u" 7 , 1 "), (std::pair{7, 1}));
  EXPECT_EQ(read(u"55,1"), (std::pair{9, 1}));
  EXPECT_EQ(read(u"7,6"), (std::pair{7, 4}));
  EXPECT_EQ(read(u"-1,-1"), (std::pair{9, 4}));
  EXPECT_EQ(read(u"x,3"), (std::pair{9, 3}));
  EXPECT_EQ(read(u",3"), (std::pair{9, 3}));
  EXPECT_EQ(read(u"3,y"), (std::pair{3, 4}));
  EXPECT_EQ(read(u"3,"), (std::pair{3, 4}));
  EXPECT_EQ(read(u"12"), (std::pair{12, 4}));  // no modifier field at all
  EXPECT_EQ(read(u"99999999999,1"), (std::pair{9, 1}));
  EXPECT_EQ(read(u"1,2,3"), (std::pair{1, 4}));
  EXPECT_EQ(read(u"garbage"), (std::pair{9, 4}));
  EXPECT_EQ(read(u""), (std::pair{9, 4}));
}

TEST_F(OptionSettingsFile, EachHotkeyRowFallsBackToItsOwnDefault) {
  set(u"PlayHotKey", u"60,0");
  set(u"StopHotKey", u"5,9");
  set(u"RecHotKey", u"junk");
  set(u"TrayHotKey", u"20,3");
  const OptionSettings o = readOptionSettings(s);
  EXPECT_EQ(fields(o.play), (std::pair{1, 0}));
  EXPECT_EQ(fields(o.stop), (std::pair{5, 2}));
  EXPECT_EQ(fields(o.record), (std::pair{3, 2}));
  EXPECT_EQ(fields(o.tray), (std::pair{20, 3}));
}

// Every field, for comparing two option sets at once.
auto all(const OptionSettings& o) {
  return std::tuple{o.highLevel,    o.notExtraMove, o.mouseOrg,       o.toClipboard,
                    fields(o.play), fields(o.stop), fields(o.record), fields(o.tray)};
}

TEST_F(OptionSettingsFile, WhatOkStoresReadsBackTheSame) {
  OptionSettings o{true, true, false, true, {54, 5}, {0, 0}, {13, 3}, {40, 1}};
  writeOptionSettings(s, o);
  EXPECT_EQ(get(u"RecLevel"), u"1");
  EXPECT_EQ(get(u"MouseOrg"), u"0");
  EXPECT_EQ(get(u"Cp2Clipboard"), u"1");
  EXPECT_EQ(get(u"PlayHotKey"), u"54,5");
  EXPECT_EQ(get(u"StopHotKey"), u"0,0");
  // A second settings object reads the file itself, not a cache.
  SettingsFile again(p, dir.u("exe"), u"kova.exe");
  EXPECT_EQ(all(readOptionSettings(again)), all(o));
  o = OptionSettings{false, false, true, false, {1, 1}, {2, 3}, {4, 5}, {6, 0}};
  writeOptionSettings(again, o);
  EXPECT_EQ(get(u"RecLevel"), u"0");
  EXPECT_EQ(all(readOptionSettings(s)), all(o));
}

TEST_F(OptionSettingsFile, ConfirmingDamagedSettingsStoresWhatWasShown) {
  set(u"RecLevel", u"2");
  set(u"TrayHotKey", u"14,77");
  set(u"Cp2Clipboard", u"true");
  writeOptionSettings(s, readOptionSettings(s));
  EXPECT_EQ(get(u"RecLevel"), u"1");
  EXPECT_EQ(get(u"TrayHotKey"), u"14,5");
  EXPECT_EQ(get(u"Cp2Clipboard"), u"0");
  EXPECT_EQ(get(u"PlayHotKey"), u"1,2");  // written although it was never stored
  // Keys the dialog does not own stay as they were.
  set(u"LogLines", u"500");
  writeOptionSettings(s, readOptionSettings(s));
  EXPECT_EQ(get(u"LogLines"), u"500");
}

}  // namespace
}  // namespace kova::shell
