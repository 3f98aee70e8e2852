// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settingsfile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/convert.h"
#include "settings/fileregistry.h"
#include "settings/settingsio.h"
#include "settings_fakes.h"
#include "settings_samples.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

using test::FakeAutostart;
using test::NonDefaultSettings;
using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class SettingsFile : public ::testing::Test {
protected:
    std::string FilePath() const { return (dir_.Path() / "torvane" / "settings.json").string(); }

    void Save(const Settings& s) {
        FileRegistry store(FilePath());
        FakeAutostart autostart;
        SaveSettings(s, store, autostart, "/usr/bin/torvane");
    }

    Settings Load() {
        FileRegistry store(FilePath());
        Settings s;
        LoadSettings(store, s);
        return s;
    }

    void WriteSettingsFile(const std::string& text) {
        std::filesystem::create_directories(dir_.Path() / "torvane");
        WriteFile(FilePath(), text);
    }

    TempDir dir_;
};

TEST_F(SettingsFile, IsJsonWithKeyPathsAndTypedValues) {
    Save(NonDefaultSettings());
    const std::string text = ReadFile(FilePath());
    // Key paths appear with their backslashes escaped as JSON does.
    EXPECT_NE(std::string::npos, text.find(R"("\\Software\\Torvane\\Wan1")")) << text;
    const auto json = nlohmann::json::parse(text);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ(10u, json.size());
    const auto& main = json.at("\\Software\\Torvane");
    EXPECT_TRUE(main.at("Port").is_number_integer());
    EXPECT_EQ(27911, main.at("Port").get<int>());
    EXPECT_EQ(0, main.at("Broadcast").get<int>());
    EXPECT_EQ("2.13", main.at("Version").get<std::string>());
    EXPECT_EQ("27950", json.at("\\Software\\Torvane\\Wan1").at("Port").get<std::string>());
    EXPECT_EQ(1, json.at("\\Software\\Torvane\\NewMap").at("Popup").get<int>());
    struct stat info {};
    ASSERT_EQ(0, ::stat(FilePath().c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
}

TEST_F(SettingsFile, RoundTripsEveryValue) {
    const Settings saved = NonDefaultSettings("ü ñ \\ \" \t");
    Save(saved);
    const Settings loaded = Load();
    MemoryRegistry a, b;
    FakeAutostart autostart;
    SaveSettings(saved, a, autostart, "");
    SaveSettings(loaded, b, autostart, "");
    EXPECT_EQ(a.Data(), b.Data());
    EXPECT_EQ("Ranger ü ñ \\ \" \t", loaded.PlayerName);
}

TEST_F(SettingsFile, AFileWrittenByAnotherProgramIsReadAndItsOtherKeysKept) {
    WriteSettingsFile(R"({
  "\\Software\\Torvane": {"Broadcast": 0, "BCInterval": 60, "Port": 27999, "Retries": 3, "PlayerName": "Other"},
  "\\Software\\Torvane\\NewPlayer": {"Popup": 1, "Launch": 0, "Play": 1, "Sound": "/s.wav"},
  "\\Software\\Something\\Else": {"Kept": 1}
})");
    Settings s = Load();
    EXPECT_FALSE(s.Broadcast);
    EXPECT_EQ("60", s.BCInterval);
    EXPECT_EQ("Other", s.PlayerName);
    EXPECT_EQ("/s.wav", s.Event(EventKind::NewPlayer).Sound);
    Save(s);
    EXPECT_EQ(1, nlohmann::json::parse(ReadFile(FilePath())).at("\\Software\\Something\\Else").at("Kept"));
}

TEST_F(SettingsFile, AMissingFileIsAnEmptyStoreAndALoadDoesNotCreateIt) {
    const Settings s = Load();
    EXPECT_EQ("27910", s.Port);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "torvane"));
    Save(s);
    EXPECT_TRUE(std::filesystem::exists(FilePath()));
}

TEST_F(SettingsFile, ADamagedFileIsReportedWithItsPositionAndNeverSavedOver) {
    struct Case {
        const char* text;
        const char* position;
        const char* reason;
    } cases[] = {
        {"{\n  \"\\\\Software\\\\Torvane\": {\"Port\": 27910,,}\n}", "line 2, column 41", "syntax error"},
        {"", "line 1, column 1", "end of input"},
        {"{} {}", "line 1, column 4", "end of input"},
        {"[]", "line 1, column 1", "must be an object"},
        {"{\"k\": 5}", "line 1, column 7", "key \"k\": the file and each key must be an object"},
        {"{\"k\": [{}]}", "line 1, column 7", "key \"k\": the file and each key must be an object"},
        {"{\"k\": {\"Port\": [1,,2]}}", "line 1, column 19", "syntax error"},
        {"{\"k\": {\"Port\": 1e400}}", "line 1, column 20", "number overflow"},
        {"{\"k\": {\"v\": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]}}",
         "line 1, column 45", "deeper than 32"},
        {"{\"k\": {\"v\": {\"a\": [], \"a\": 2}}}", "line 1, column 23",
         "value \"v\" of key \"k\": a name appears twice"},
        {"{\"k\": {}, \"k\": {}}", "line 1, column 11", "key \"k\": the key appears twice"},
        {"{\"k\": {\"a\": 1,\n \"a\": 2}}", "line 2, column 2",
         "value \"a\" of key \"k\": the value appears twice"},
        {"{\"k\": {\"a\": \"\xff\"}}", "line 1, column 14", "UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WriteSettingsFile(c.text);
        EXPECT_THAT([&] { Load(); }, ThrowsMessage<ESettingsFileError>(AllOf(
                                         HasSubstr("'" + FilePath() + "' is not valid at " + c.position),
                                         HasSubstr(c.reason))));
        EXPECT_THROW(Save(Settings()), ESettingsFileError);
        EXPECT_EQ(c.text, ReadFile(FilePath()));
    }
}

TEST_F(SettingsFile, ValuesTorvaneNeverReadsAreKeptAsTheyWereAtTheNextSave) {
    Save(NonDefaultSettings("old"));
    auto json = nlohmann::ordered_json::parse(ReadFile(FilePath()));
    auto foreign = nlohmann::ordered_json::parse(R"({
      "Comment": null, "Ratio": 1.5, "Tiny": -0.0, "Flag": true, "Off": false,
      "Big": 4294967295, "Low": -2147483649,
      "List": [1, {"z": null, "a": [2.5, "x"]}, []], "Nested": {"z": 1, "a": {"deep": [true]}}
    })");
    foreign["Deepest"] = nlohmann::ordered_json::parse(std::string(32, '[') + std::string(32, ']'));
    for (const auto& [name, value] : foreign.items()) json["\\Software\\Torvane"][name] = value;
    json["\\Software\\Torvane\\Wan2"]["Note"] = {1, 2, 3};
    json["\\Software\\Else"] = {{"Kept", {{"b", 1}, {"a", nullptr}}}, {"Also", 0.25}};
    WriteSettingsFile(json.dump(1));

    Settings s = Load();
    EXPECT_EQ("Ranger old", s.PlayerName);
    s.PlayerName = "Changed";
    Save(s);
    const auto saved = nlohmann::ordered_json::parse(ReadFile(FilePath()));
    const auto& main = saved.at("\\Software\\Torvane");
    for (const auto& [name, value] : foreign.items()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(value.dump(), main.at(name).dump());  // the text, so members keep their order
    }
    EXPECT_EQ("Changed", main.at("PlayerName"));
    EXPECT_EQ("[1,2,3]", saved.at("\\Software\\Torvane\\Wan2").at("Note").dump());
    EXPECT_EQ(R"({"b":1,"a":null})", saved.at("\\Software\\Else").at("Kept").dump());
    EXPECT_EQ(0.25, saved.at("\\Software\\Else").at("Also"));
}

TEST_F(SettingsFile, AValueTorvaneReadsOfAnotherKindIsAnInvalidDataTypeAndTheFileIsLeftAlone) {
    Save(NonDefaultSettings());
    const auto good = nlohmann::json::parse(ReadFile(FilePath()));
    const std::pair<const char*, const char*> cases[] = {
        {"Broadcast", "true"},  {"Port", "null"},    {"Port", "27910.0"},     {"Retries", "4294967296"},
        {"BCInterval", "[30]"}, {"ShowHints", "{}"}, {"PlayerName", "false"}, {"LogFile", "[\"a\"]"},
    };
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(std::string(name) + " = " + value);
        auto json = good;
        json["\\Software\\Torvane"][name] = nlohmann::json::parse(value);
        const std::string text = json.dump(2);
        WriteSettingsFile(text);
        EXPECT_THAT([&] { Load(); }, ThrowsMessage<ERegistryException>(testing::StrEq(
                                         std::string("Invalid data type for '") + name + "'")));
        EXPECT_EQ(text, ReadFile(FilePath()));
    }
}

TEST_F(SettingsFile, AStoreKeptOpenSavesOverWhatIsInTheFileNow) {
    Save(NonDefaultSettings("old"));
    FileRegistry store(FilePath());
    Settings s;
    LoadSettings(store, s);
    s.PlayerName = "Changed";

    // Someone else edits the file while the program runs.
    auto json = nlohmann::json::parse(ReadFile(FilePath()));
    json["\\Software\\Other"]["Kept"] = 7;
    WriteSettingsFile(json.dump());
    FakeAutostart autostart;
    SaveSettings(s, store, autostart, "");
    json = nlohmann::json::parse(ReadFile(FilePath()));
    EXPECT_EQ(7, json.at("\\Software\\Other").at("Kept"));
    EXPECT_EQ("Changed", json.at("\\Software\\Torvane").at("PlayerName"));

    // A file damaged meanwhile is not saved over.
    WriteSettingsFile("{\"damaged");
    EXPECT_THROW(SaveSettings(s, store, autostart, ""), ESettingsFileError);
    EXPECT_EQ("{\"damaged", ReadFile(FilePath()));
}

TEST_F(SettingsFile, ABadNumberStillCommitsWhatWasWrittenBeforeIt) {
    Save(NonDefaultSettings("old"));
    Settings s = NonDefaultSettings("new");
    s.Broadcast = true;
    s.BCInterval = "600";
    s.Port = "27910x";
    EXPECT_THROW(Save(s), EConvertError);
    const auto main = nlohmann::json::parse(ReadFile(FilePath())).at("\\Software\\Torvane");
    EXPECT_EQ(1, main.at("Broadcast"));
    EXPECT_EQ(600, main.at("BCInterval"));
    EXPECT_EQ(27911, main.at("Port"));
    EXPECT_EQ("Ranger old", main.at("PlayerName"));
}

TEST_F(SettingsFile, TextTheFileCannotHoldIsRefusedByName) {
    Save(NonDefaultSettings("old"));
    Settings s = NonDefaultSettings("new");
    s.PlayerName = "Ranger \xe9";  // not UTF-8
    EXPECT_THAT([&] { Save(s); },
                ThrowsMessage<ERegistryException>(testing::StrEq("Failed to set data for 'PlayerName'")));
    const auto main = nlohmann::json::parse(ReadFile(FilePath())).at("\\Software\\Torvane");
    EXPECT_EQ("/games/quake2-new", main.at("Quake2BaseDir"));
    EXPECT_EQ("Ranger old", main.at("PlayerName"));
}

TEST_F(SettingsFile, AFileThatCannotBeReadOrWrittenIsReportedByName) {
    std::filesystem::create_directories(FilePath());  // a directory where the file should be
    const auto names_the_file = ThrowsMessage<ESettingsFileError>(HasSubstr(FilePath()));
    EXPECT_THAT([&] { Load(); }, names_the_file);
    EXPECT_THAT([&] { Save(Settings()); }, names_the_file);
    EXPECT_TRUE(std::filesystem::is_directory(FilePath()));

    std::filesystem::remove_all(dir_.Path() / "torvane");
    WriteFile(dir_.Path() / "torvane", "");  // a file where the directory should be
    EXPECT_THROW(Save(Settings()), ESettingsFileError);

    // A pipe would block the start-up for ever and an endless device would
    // fill the memory: only a regular file is read, and neither is replaced.
    std::filesystem::remove_all(dir_.Path() / "torvane");
    std::filesystem::create_directories(dir_.Path() / "torvane");
    ASSERT_EQ(0, ::mkfifo(FilePath().c_str(), 0600));
    EXPECT_THAT([&] { Load(); }, names_the_file);
    EXPECT_THAT([&] { Save(Settings()); }, names_the_file);
    EXPECT_TRUE(std::filesystem::is_fifo(FilePath()));
    std::filesystem::remove(FilePath());
    std::filesystem::create_symlink("/dev/zero", FilePath());
    EXPECT_THAT([&] { Load(); }, names_the_file);
}

TEST(SettingsFilePath, FollowsTheConfigurationDirectory) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/tmp/torvane-config");
        EXPECT_EQ("/tmp/torvane-config/torvane/settings.json", SettingsFilePath());
    }
    ScopedEnv home("HOME", "/tmp/torvane-home");
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
        ScopedEnv config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ("/tmp/torvane-home/.config/torvane/settings.json", SettingsFilePath());
    }
}

}  // namespace
}  // namespace torvane
