// Splitting command lines into basic and extended commands, and their arguments.
#include <gtest/gtest.h>

#include "vorsa/sim/AtCommandLine.h"

namespace vorsa::sim {
namespace {

std::string Summary(std::string_view body) {
    std::optional<std::vector<AtCommand>> commands = ParseCommandLine(body);
    if (!commands) {
        return "syntax error";
    }
    std::string text;
    for (const AtCommand& c : *commands) {
        const char* forms[] = {"", "=", "?", "=?"};
        text += (text.empty() ? "" : " ") + c.name + forms[static_cast<int>(c.form)] + "[" +
                c.arguments + "]";
    }
    return text;
}

TEST(AtCommandLine, BasicCommandsRunTogether) {
    EXPECT_EQ(Summary("E0&S0"), "E[0] &S[0]");
    EXPECT_EQ(Summary("Z"), "Z[]");
    EXPECT_EQ(Summary("e1 v1 &c1"), "E[1] V[1] &C[1]");
    EXPECT_EQ(Summary("S0=2S7?"), "S0=[2] S7?[]");
    EXPECT_EQ(Summary("I3;E0"), "I[3] E[0]");
    EXPECT_EQ(Summary("D+40700000000;"), "D[+40700000000;]") << "dialling takes the rest";
    EXPECT_EQ(Summary(""), "");
}

TEST(AtCommandLine, ExtendedCommandsNeedSeparators) {
    EXPECT_EQ(Summary("+CMGF=1;+cmgf?;+CMGF=?"), "+CMGF=[1] +CMGF?[] +CMGF=?[]");
    EXPECT_EQ(Summary("+CMGL;"), "+CMGL[]");
    EXPECT_EQ(Summary("E0+CMEE=1"), "E[0] +CMEE=[1]");
    EXPECT_EQ(Summary("+CSCA=\"+40;70\",145;+CSCA?"), "+CSCA=[\"+40;70\",145] +CSCA?[]")
        << "a ';' inside quotes does not split";
    EXPECT_EQ(Summary("+CMGF=1 ; +CSDH=1"), "+CMGF=[1] +CSDH=[1]");
    EXPECT_EQ(Summary("^SYSINFO"), "^SYSINFO[]");
}

TEST(AtCommandLine, SyntaxErrors) {
    for (const char* body : {"+", "+CMGF=\"1", "+CMGF?x", "!", "S0", "+CMGF=?1"}) {
        EXPECT_EQ(Summary(body), "syntax error") << body;
    }
}

TEST(AtCommandLine, ArgumentsKeepEmptyPositionsAndQuotes) {
    std::optional<std::vector<AtArgument>> args = SplitArguments("\"SM\", ,3,\"a,b\",x");
    ASSERT_TRUE(args.has_value());
    ASSERT_EQ(args->size(), 5u);
    EXPECT_TRUE((*args)[0].quoted);
    EXPECT_EQ((*args)[0].text, "SM");
    EXPECT_FALSE((*args)[1].present);
    EXPECT_EQ((*args)[2].text, "3");
    EXPECT_EQ((*args)[3].text, "a,b");
    EXPECT_FALSE((*args)[4].quoted);
    EXPECT_TRUE(SplitArguments("")->empty());
    EXPECT_EQ(SplitArguments(",")->size(), 2u);
    EXPECT_FALSE(SplitArguments("\"open").has_value());
    EXPECT_FALSE(SplitArguments("a\"b\"").has_value());
    EXPECT_TRUE(SplitArguments("\"\"")->at(0).present) << "an empty string is given";
}

TEST(AtCommandLine, IntegersAreWholeAndBounded) {
    EXPECT_EQ(ParseInteger("0"), 0);
    EXPECT_EQ(ParseInteger("164"), 164);
    EXPECT_EQ(ParseInteger(""), std::nullopt);
    EXPECT_EQ(ParseInteger("-1"), std::nullopt);
    EXPECT_EQ(ParseInteger("1a"), std::nullopt);
    EXPECT_EQ(ParseInteger("9999999999"), std::nullopt) << "no overflow";
}

}  // namespace
}  // namespace vorsa::sim
