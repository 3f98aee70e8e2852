// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/buddies.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TQuakeServer Server(const std::string& name, std::vector<std::string> players, int max = 8) {
    TQuakeServer server;
    server.HostName = name;
    server.Address = "10.0.0." + std::to_string(name.size());
    server.MapName = "q2dm1";
    server.MaxClients = max;
    for (const std::string& player : players) server.Players.push_back({player, 0, 50});
    return server;
}

std::vector<std::string> Names(const std::vector<BuddySighting>& sightings) {
    std::vector<std::string> names;
    for (const BuddySighting& s : sightings) names.push_back(s.Name + "@" + std::to_string(s.Server));
    return names;
}

TEST(BuddyList, CommaSeparatedExactNamesWithStarsAsWildcards) {
    const BuddyList buddies(" Ranger , ,Grunt*,*bot,a*b*c,,");
    EXPECT_EQ(buddies.Patterns(), (std::vector<std::string>{"Ranger", "Grunt*", "*bot", "a*b*c"}));
    for (const char* name : {"Ranger", "Grunt", "Grunt2", "Grunt the Great", "Scrapbot", "bot", "abc",
                             "aXbYc", "abbc", "ab*c"}) {
        EXPECT_TRUE(buddies.Matches(name)) << name;
    }
    for (const char* name : {"ranger", "Ranger ", " Ranger", "Range", "Rangers", "grunt", "xGrunt", "bots",
                             "ab", "acb", "", "Bot"}) {
        EXPECT_FALSE(buddies.Matches(name)) << name;
    }
    EXPECT_TRUE(BuddyList("").Empty());
    EXPECT_TRUE(BuddyList(" , ,").Empty());
    EXPECT_TRUE(BuddyList("*").Matches(""));
    EXPECT_TRUE(BuddyList("**").Matches("anyone"));
}

TEST(BuddyList, AHostilePatternOrNameStaysCheap) {
    // A backtracking matcher takes exponential time on this one.
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesBuddyPattern("*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(MatchesBuddyPattern("*a*a*a*a*a*a*a*a*a*a", name));
}

TEST(BuddyWatch, EachBuddyIsAnnouncedOncePerStayOnWhicheverServerHasThem) {
    const BuddyList buddies("Ranger,Grunt*");
    BuddyWatch watch;
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Arena", {"Visor"})})), std::vector<std::string>{});
    // Two arrive at once, on different servers; a non-buddy is not told.
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Arena", {"Visor", "Grunt2"}), Server("Base", {"Ranger"})})),
              (std::vector<std::string>{"Grunt2@0", "Ranger@1"}));
    // Still there, or moved to another server: the same stay.
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Arena", {"Ranger", "Grunt2"}), Server("Base", {})})),
              std::vector<std::string>{});
    // On two servers at once counts once.
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Arena", {"Ranger"}), Server("Base", {"Ranger"})})),
              std::vector<std::string>{});
    // Gone from every server, then back: a new stay.
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Arena", {}), Server("Base", {})})),
              std::vector<std::string>{});
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Arena", {}), Server("Base", {"Ranger", "Grunt2"})})),
              (std::vector<std::string>{"Ranger@1", "Grunt2@1"}));
    // A list emptied forgets everyone; filled again, those playing are new.
    EXPECT_EQ(Names(watch.Look(BuddyList(""), {Server("Base", {"Ranger"})})), std::vector<std::string>{});
    EXPECT_EQ(Names(watch.Look(buddies, {Server("Base", {"Ranger"})})), std::vector<std::string>{"Ranger@0"});
}

TEST(BuddyWatch, TheNoticeNamesTheServerItsMapAndHowFullItIs) {
    EXPECT_EQ(BuddyPlayingText("Ranger", Server("Arena", {"a", "b", "c", "d", "Ranger"}, 8)),
              "Ranger is playing on Arena (q2dm1, 5/8)");
}

TEST(BuddyMenu, AddsAnExactNameAndRemovesOnlyExactEntriesKeepingTheRestOfTheList) {
    EXPECT_EQ(WithBuddy("", "Ranger"), "Ranger");
    EXPECT_EQ(WithBuddy(" , ", "Ranger"), "Ranger");
    EXPECT_EQ(WithBuddy("Grunt*,  Visor ,", "Ranger"), "Grunt*,  Visor, Ranger") << "the user's text stays";
    EXPECT_TRUE(BuddyList(WithBuddy("Grunt*", "Ranger")).Names("Ranger"));

    EXPECT_EQ(WithoutBuddy("Ranger, Grunt*,Visor, Ranger", "Ranger"), "Grunt*, Visor");
    EXPECT_EQ(WithoutBuddy("Grunt*", "Grunt2"), "Grunt*") << "a pattern names others too";
    EXPECT_EQ(WithoutBuddy("ranger", "Ranger"), "ranger") << "names are exact";
    EXPECT_EQ(WithoutBuddy("Ranger", "Ranger"), "");

    // Added and removed again, the list is what it was.
    const std::string before = "Grunt*, Visor";
    EXPECT_EQ(WithoutBuddy(WithBuddy(before, "Ranger"), "Ranger"), before);
}

TEST(BuddyMenu, OffersWhatAppliesAndSaysWhyWhenItCannot) {
    const auto entry = [](const char* setting, const char* name) {
        const BuddyMenuEntry e = BuddyMenuFor(setting, name);
        return e.Caption + (e.Enabled ? "" : " (disabled)");
    };
    EXPECT_EQ(entry("", "Ranger"), "Add to buddies");
    EXPECT_EQ(entry("Ranger", "Ranger"), "Remove from buddies");
    EXPECT_EQ(entry("Ranger*", "Ranger"), "Remove from buddies (disabled)");
    EXPECT_EQ(entry("Ranger*, Ranger", "Ranger"), "Remove from buddies") << "the exact entry can go";
    EXPECT_EQ(entry("Rang", "Ranger"), "Add to buddies");
    // A name the list cannot hold as itself.
    for (const char* name : {"a,b", "Grunt*", " Ranger", "Ranger ", ""}) {
        EXPECT_EQ(entry("", name), "Add to buddies (disabled)") << '"' << name << '"';
        EXPECT_FALSE(CanBeBuddyEntry(name));
        EXPECT_FALSE(BuddyMenuFor("", name).Hint.empty());
    }
    EXPECT_TRUE(CanBeBuddyEntry("[GG] Ranger-2"));
    const BuddyMenuEntry by_pattern = BuddyMenuFor("Visor, Grunt*", "Grunt2");
    EXPECT_NE(by_pattern.Hint.find("\"Grunt*\""), std::string::npos) << by_pattern.Hint;
    EXPECT_TRUE(BuddyMenuFor("Ranger", "Ranger").Hint.empty());
}

TEST(BuddyWatch, MarksEveryServerWithABuddyOnItEvenWhenTheBuddyWasToldElsewhere) {
    const BuddyList buddies("Ranger,Grunt*");
    BuddyWatch watch;
    watch.Look(buddies, {Server("Arena", {"Ranger"}), Server("Base", {"Visor"}),
                         Server("Camp", {"Ranger", "x"}), Server("Dock", {"Grunt9"})});
    EXPECT_TRUE(watch.HasBuddies(0));
    EXPECT_FALSE(watch.HasBuddies(1));
    EXPECT_TRUE(watch.HasBuddies(2)) << "Ranger is on two servers: both are marked";
    EXPECT_TRUE(watch.HasBuddies(3));
    EXPECT_FALSE(watch.HasBuddies(4)) << "beyond the table";
    watch.Look(buddies, {Server("Base", {"Visor"})});
    EXPECT_FALSE(watch.HasBuddies(0)) << "the marks are those of the last look";
    EXPECT_EQ(BuddiesOn(buddies, Server("Camp", {"Grunt", "x", "Ranger"})),
              (std::vector<std::string>{"Grunt", "Ranger"}));
    EXPECT_TRUE(BuddiesOn(BuddyList(""), Server("Camp", {"Grunt"})).empty());
}

}  // namespace
}  // namespace torvane
