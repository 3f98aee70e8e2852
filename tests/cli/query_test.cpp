// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/queryoptions.h"
#include "cli/queryreport.h"

namespace torvane {
namespace {

std::optional<QueryOptions> Parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string message;
    auto options = ParseQueryOptions(args, message);
    if (error) *error = message;
    return options;
}

TEST(QueryOptions, DefaultsBroadcastOnTheGamePortForTwoSeconds) {
    auto options = Parse({});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->ports, std::vector<std::string>{"27910"});
    EXPECT_EQ(options->window_ms, 2000u);
    EXPECT_FALSE(options->json);
    EXPECT_TRUE(options->servers.empty());
    EXPECT_TRUE(options->masters.empty());
    EXPECT_EQ(options->rate, 1000u);
}

TEST(QueryOptions, MastersWithOrWithoutServersAndARate) {
    auto options = Parse({"--master", "10.99.0.11", "--master", "master.example.test:27901", "--server",
                          "10.99.0.12", "--rate", "250", "--no-broadcast"});
    ASSERT_TRUE(options);
    ASSERT_EQ(options->masters.size(), 2u);
    EXPECT_EQ(options->masters[0].Address, "10.99.0.11");
    EXPECT_EQ(options->masters[0].Port, "27900");
    EXPECT_EQ(options->masters[1].Port, "27901");
    EXPECT_EQ(options->servers.size(), 1u);
    EXPECT_EQ(options->rate, 250u);
}

TEST(QueryOptions, PortsServersAndNoBroadcast) {
    auto options = Parse({"--json", "--port", "27910", "--port", "27920", "--server", "10.99.0.12",
                          "--server", "q2.example.test:27999", "--window-ms", "500"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->json);
    EXPECT_EQ(options->ports, (std::vector<std::string>{"27910", "27920"}));
    ASSERT_EQ(options->servers.size(), 2u);
    EXPECT_EQ(options->servers[0].Address, "10.99.0.12");
    EXPECT_EQ(options->servers[0].Port, "27910");
    EXPECT_EQ(options->servers[1].Address, "q2.example.test");
    EXPECT_EQ(options->servers[1].Port, "27999");
    EXPECT_TRUE(options->servers[1].Enabled);

    options = Parse({"--port", "27920", "--no-broadcast", "--server", "127.0.0.1"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->ports.empty());
    EXPECT_EQ(options->servers.size(), 1u);
}

TEST(QueryOptions, BadArgumentsGiveOneLineMessages) {
    const std::vector<std::vector<std::string>> bad = {
        {"--port"},
        {"--port", "0"},
        {"--port", "65536"},
        {"--port", "27910x"},
        {"--window-ms", "0"},
        {"--window-ms", "-5"},
        {"--server", ""},
        {"--server", "host:"},
        {"--server", ":27910"},
        {"--server", "a b"},
        {"--server", "h:70000"},
        {"--frobnicate"},
        {"--no-broadcast"},  // asks nobody
        {"--no-broadcast", "--port", "27920"},
        {"--master"},
        {"--master", "m:0"},
        {"--master", ":27900"},
        {"--rate", "0"},
        {"--rate", "fast"},
        {"--rate"},
        {"--port", "1", "--port", "2", "--port", "3", "--port", "4", "--port", "5"}};
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error)) << args.back();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

// Every option the parser takes has a line of its own in the help that says
// what it does, and --help and --version are answered even beside an option
// that alone would be refused.
TEST(QueryOptions, HelpGivesEveryOptionALineOfItsOwn) {
    const std::string help = QueryUsage();
    ASSERT_TRUE(help.starts_with("Usage: torvane-query")) << help;
    const std::string options = help.substr(help.find("\nOptions:\n"));
    for (const std::string name :
         {"--json", "--window-ms", "--port", "--no-broadcast", "--server", "--help", "--version"}) {
        const auto at = options.find(name + " ");
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_EQ(options.find(name + " ", at + 1), std::string::npos) << name << " on two lines";
        const auto line_start = options.rfind('\n', at) + 1;
        const std::string line = options.substr(line_start, options.find('\n', at) - line_start);
        EXPECT_GT(line.size(), at - line_start + name.size() + 10) << "no words for " << name << ": " << line;
    }
    EXPECT_NE(options.find("\n  -h, --help "), std::string::npos);
    for (const auto& args : std::vector<std::vector<std::string>>{{"-h"}, {"--help", "--no-broadcast"}})
        EXPECT_TRUE(Parse(args).value_or(QueryOptions{}).help);
    EXPECT_TRUE(Parse({"--version"}).value_or(QueryOptions{}).version);
}

TQuakeServer Sample() {
    TQuakeServer server;
    server.Address = "10.99.0.11";
    server.Port = "27920";
    server.HostName = "Caf\xE9 \"deathmatch\"";
    server.MapName = "q2dm1";
    server.MaxClients = 16;
    server.FragLimit = 20;
    server.TimeLimit = 0;
    server.AnswerTime = 12;
    server.Ping = 9;
    server.Source = ServerSource::Master;
    server.Players = {{"Ranger", 12, 48},
                      {"Gr\x1B[31mnt", -1, 999},
                      {"\x9B"
                       "2J\x80\xA0",
                       0, 1}};
    return server;
}

TEST(QueryReport, JsonCarriesEveryFieldWithLatin1AsUnicode) {
    const auto array = nlohmann::json::parse(JsonReport({Sample()}));
    ASSERT_TRUE(array.is_array());
    ASSERT_EQ(array.size(), 1u);
    const auto& server = array[0];
    EXPECT_EQ(server["address"], "10.99.0.11");
    EXPECT_EQ(server["port"], "27920");
    EXPECT_EQ(server["hostname"], "Caf\u00E9 \"deathmatch\"");
    EXPECT_EQ(server["map"], "q2dm1");
    EXPECT_EQ(server["maxclients"], 16);
    EXPECT_EQ(server["fraglimit"], 20);
    EXPECT_EQ(server["timelimit"], 0);
    EXPECT_EQ(server["answer_ms"], 12);
    EXPECT_EQ(server["ping"], 9);
    EXPECT_EQ(server["source"], "master");
    ASSERT_EQ(server["players"].size(), 3u);
    EXPECT_EQ(server["players"][1]["name"], "Gr\x1B[31mnt");
    EXPECT_EQ(server["players"][1]["frags"], -1);
    EXPECT_EQ(server["players"][1]["ping"], 999);
    EXPECT_EQ(server["players"][2]["name"], "\u009B2J\u0080\u00A0");
    EXPECT_EQ(JsonReport({}), "[]\n");
}

// A server asked by a name that does not resolve is listed after those that
// answered, by the name and port it was asked with.
TEST(QueryReport, JsonListsUnresolvedServersAfterTheAnsweredOnes) {
    const std::vector<QueryTarget> unresolved = {{true, "nosuch.invalid", "27910"},
                                                 {true, "gone\xE9", "27999"}};
    const auto both = nlohmann::json::parse(JsonReport({Sample()}, unresolved));
    ASSERT_EQ(both.size(), 3u);
    EXPECT_EQ(both[0]["status"], "answered");
    EXPECT_EQ(both[1], nlohmann::json::parse(R"({"status": "unresolved", "address": "nosuch.invalid",
                                                 "port": "27910"})"));
    EXPECT_EQ(both[2]["address"], "gone\u00E9");
    EXPECT_EQ(both[2]["port"], "27999");
    const auto only = nlohmann::json::parse(JsonReport({}, {unresolved[0]}));
    ASSERT_EQ(only.size(), 1u);
    EXPECT_EQ(only[0]["status"], "unresolved");
}

TEST(QueryReport, AnUnknownLimitIsNull) {
    TQuakeServer server = Sample();
    server.FragLimit.reset();
    const auto unknown_frags = nlohmann::json::parse(JsonReport({server}))[0];
    EXPECT_TRUE(unknown_frags["fraglimit"].is_null());
    EXPECT_EQ(unknown_frags["timelimit"], 0);
    server.TimeLimit.reset();
    EXPECT_TRUE(nlohmann::json::parse(JsonReport({server}))[0]["timelimit"].is_null());
}

TEST(QueryReport, TextShowsOneLinePerServerWithPlayersBelowAndNoControlCharacters) {
    EXPECT_EQ(TextReport({Sample()}),
              "Caf\u00E9 \"deathmatch\"  q2dm1  3/16  10.99.0.11:27920  12 ms  ping 9  master\n"
              "    Ranger  12 frags  48 ping\n"
              "    Gr?[31mnt  -1 frags  999 ping\n"
              "    ?2J?\u00A0  0 frags  1 ping\n");
}

TEST(QueryReport, EveryHighByteBecomesItsUnicodeCharacter) {
    std::string all;
    for (int c = 0x80; c <= 0xFF; ++c) all += static_cast<char>(c);
    const std::string utf8 = Latin1ToUtf8(all);
    ASSERT_EQ(utf8.size(), 256u);
    EXPECT_EQ(utf8.substr(0, 2), "\u0080");
    EXPECT_EQ(utf8.substr(254, 2), "\u00FF");
    EXPECT_EQ(nlohmann::json(utf8).dump().size(), 258u);  // valid UTF-8: no exception
}

// The report is written out in pieces as it is made; a table far larger than
// one piece must come out exactly as the whole report, and every byte of a
// name must survive the escaping.
TEST(QueryReport, JsonWrittenAsItIsMadeIsTheWholeReportAndKeepsEveryByte) {
    std::string every_byte;
    for (int c = 0; c <= 0xFF; ++c) every_byte += static_cast<char>(c);
    std::vector<TQuakeServer> table(500, Sample());
    for (std::size_t i = 0; i < table.size(); ++i) table[i].Players[0].Name = every_byte + std::to_string(i);

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    WriteJsonReport(table, file);
    std::string written(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    ASSERT_EQ(std::fread(written.data(), 1, written.size(), file), written.size());
    std::fclose(file);

    EXPECT_EQ(written, JsonReport(table));
    const auto array = nlohmann::json::parse(written);
    ASSERT_EQ(array.size(), table.size());
    EXPECT_EQ(array[499]["players"][0]["name"], Latin1ToUtf8(every_byte) + "499");
    EXPECT_EQ(array[499]["players"][2]["name"], "\u009B2J\u0080\u00A0");
}

}  // namespace
}  // namespace torvane
