#include "cli/CliArguments.h"
#include "cli/CommandTable.h"
#include "cli/JsonText.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kdx::cli;

namespace {

ParsedArguments parse(std::vector<std::string> words) { return parseCliArguments(words); }

} // namespace

TEST(CliArguments, ValidLinesGiveTheirOptions)
{
    auto p = parse({"read", "--port", "/dev/ttyUSB0", "--port=/dev/ttyUSB1", "-o", "x.bin", "--raw", "--json"});
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_EQ(p.args.command, "read");
    EXPECT_EQ(p.args.ports, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
    EXPECT_EQ(p.args.output, "x.bin");
    EXPECT_TRUE(p.args.raw);
    EXPECT_TRUE(p.args.json);

    p = parse({"monitor", "--demo", "--seconds", "2.5"});
    ASSERT_TRUE(p.ok()) << p.error;
    ASSERT_TRUE(p.args.seconds.has_value());
    EXPECT_DOUBLE_EQ(*p.args.seconds, 2.5);

    p = parse({"write", "saved.kdx", "--dry-run", "--serial-from-file"});
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_EQ(p.args.operands, (std::vector<std::string>{"saved.kdx"}));
    EXPECT_TRUE(p.args.dryRun);
    EXPECT_TRUE(p.args.serialFromFile);

    p = parse({"flash", "fw.hex", "--restore", "--port", "/dev/ttyUSB0"});
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_TRUE(p.args.restore);
    EXPECT_FALSE(p.args.dryRun);

    p = parse({"monitor", "--csv=rec.csv"});
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_EQ(p.args.csv, "rec.csv");

    p = parse({"identify", "--help"});
    ASSERT_TRUE(p.ok());
    EXPECT_TRUE(p.args.help);
    EXPECT_NE(cliUsage("identify").find("kdx-cli identify"), std::string::npos);
}

TEST(CliArguments, MistakesAreUsageErrorsThatSayWhat)
{
    struct Case {
        std::vector<std::string> words;
        const char* says;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"flashy"}, "unknown command 'flashy'"},
        {{"--port", "/dev/x", "identify"}, "needs a command before it"},
        {{"identify", "--raw"}, "does not apply to 'identify'"},
        {{"ports", "extra"}, "takes no operands"},
        {{"read", "-o"}, "-o needs a value"},
        {{"read", "--port="}, "--port needs a value"},
        {{"monitor", "--seconds", "0"}, "not a number of seconds"},
        {{"monitor", "--seconds", "-3"}, "not a number of seconds"},
        {{"monitor", "--seconds", "1e9"}, "not a number of seconds"},
        {{"monitor", "--seconds", "nan"}, "not a number of seconds"},
        {{"identify", "--json=yes"}, "takes no value"},
        {{"identify", "--progress"}, "--progress applies to --json"},
        {{"write"}, "other operands"},
        {{"write", "a.kdx", "b.kdx"}, "other operands"},
        {{"write", "a.kdx", "--restore"}, "does not apply to 'write'"},
        {{"flash", "fw.hex", "--dry-run"}, "does not apply to 'flash'"},
        {{"write", "a.kdx", "--dry-run=yes"}, "takes no value"},
        {{"diff", "ecu:", "ecu:"}, "not with itself"},
        {{"monitor", "--csv"}, "--csv needs a value"},
        {{"--restore", "flash", "fw.hex"}, "needs a command before it"},
    };
    for (const auto& c : cases) {
        const auto p = parse(c.words);
        EXPECT_FALSE(p.ok()) << c.says;
        EXPECT_NE(p.error.find(c.says), std::string::npos) << "got: " << p.error;
    }
}

TEST(JsonText, StringsAreEscapedAndAlwaysValidUtf8)
{
    EXPECT_EQ(jsonString("a\"b\\c\n\t\x01"), "\"a\\\"b\\\\c\\n\\t\\u0001\"");
    EXPECT_EQ(jsonString("Łódź"), "\"Łódź\"");
    // A stray byte, an overlong form and a cut sequence never reach the output as they are.
    EXPECT_EQ(jsonString("a\xff" "b"), "\"a\\ufffdb\"");
    EXPECT_EQ(jsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(jsonString("x\xe2\x82"), "\"x\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonObject().add("n", 5).add("ok", true).add("v", 1.256, 2).add("s", "x").text(),
              "{\"n\":5,\"ok\":true,\"v\":1.26,\"s\":\"x\"}");
    EXPECT_EQ(JsonObject().add("v", 1.0 / 0.0, 2).text(), "{\"v\":null}");
}

// Every command of the table takes its own options and its operand count,
// refuses the others' options, and is listed by --help.
TEST(CliArguments, TheCommandTableDrivesParsingAndHelp)
{
    const std::vector<std::string> allOptions{"--port", "-o", "--output", "--raw", "--seconds", "--csv",
                                              "--dry-run", "--restore", "--serial-from-file"};
    const std::string overview = cliUsage();
    for (const CliCommand& c : cliCommands()) {
        EXPECT_NE(overview.find(std::string("  ") + c.synopsis + "\n"), std::string::npos) << c.name;
        EXPECT_NE(cliUsage(c.name).find(c.description), std::string::npos) << c.name;
        std::vector<std::string> words{c.name};
        for (size_t k = 0; k < c.minOperands; ++k)
            words.push_back(k == 0 ? "a.kdx" : "b.kdx");
        for (const std::string& opt : allOptions) {
            const CliOption* o = findCliOption(opt);
            ASSERT_NE(o, nullptr) << opt;
            std::vector<std::string> line = words;
            line.push_back(opt);
            if (o->takesValue)
                line.push_back("1");
            const bool own = std::find(c.options.begin(), c.options.end(), opt) != c.options.end();
            EXPECT_EQ(parse(line).ok(), own) << c.name << " " << opt << ": " << parse(line).error;
        }
        words.push_back("extra");
        if (c.maxOperands < words.size() - 1) {
            EXPECT_FALSE(parse(words).ok()) << c.name << " with one operand too many";
        }
    }
    // Ctrl-C ends most commands as interrupted; these keep their own outcome.
    for (const char* own : {"monitor", "write", "flash"})
        EXPECT_EQ(findCliCommand(own)->onInterrupt, OnInterrupt::OwnOutcome) << own;
    EXPECT_EQ(findCliCommand("read")->onInterrupt, OnInterrupt::ExitInterrupted);
    EXPECT_EQ(findCliCommand("nothing"), nullptr);
}
