// The shapes many commands share, command by command: a setting of one number, a report,
// a group of numbers set together, and a command on one stored message. A fault in the
// shared code shows in every row that uses it.
#include <gtest/gtest.h>

#include "EngineTerminal.h"

namespace vorsa::sim {
namespace {

struct NumberSettingCase {
    const char* name;   // "+CMEE"
    const char* range;  // what the test form lists
    int initial;
    int max;
    std::optional<int> reset;  // what the bare command sets; none: it is an error
};

constexpr NumberSettingCase kNumberSettings[] = {
    {"+CMGF", "(0,1)", 0, 1, std::nullopt},
    {"+CSDH", "(0,1)", 0, 1, 0},
    {"+CGATT", "(0,1)", 1, 1, std::nullopt},
    {"+CMEE", "(0-2)", 0, 2, 0},
};

TEST(EngineCommandShapes, NumberSettingsTestReadSetAndReset) {
    for (const NumberSettingCase& c : kNumberSettings) {
        SCOPED_TRACE(c.name);
        EngineTerminal t;
        t.Quiet();
        const std::string at = std::string("AT") + c.name;
        const std::string shown = std::string(c.name) + ": ";
        const std::string max = std::to_string(c.max);
        t.ExpectAnswers({
            {at + "=?", Answer(shown + c.range)},
            {at + "?", Answer(shown + std::to_string(c.initial))},
            {at + "=0", kOk},
            {at + "?", Answer(shown + "0")},
            {at + "=" + max, kOk},
            {at + "?", Answer(shown + max)},
            {at + "=" + std::to_string(c.max + 1), kError, "beyond the range"},
            {at + "=0,0", kError, "a second argument"},
            {at + "=\"0\"", kError, "a quoted number"},
            {at + "=", kError, "no argument"},
            {at + "?", Answer(shown + max), "refused values change nothing"},
            {at, c.reset ? kOk : kError},
            {at + "?", Answer(shown + std::to_string(c.reset.value_or(c.max)))},
        });
    }
}

struct ReportCase {
    const char* name;
    const char* range;
    const char* value;
};

constexpr ReportCase kReports[] = {
    {"+CPAS", "(0-5)", "0"},
    {"+CSQ", "(0-31,99),(0-7,99)", "20,99"},
};

TEST(EngineCommandShapes, ReportsAnswerOnlyTheirTestAndActionForms) {
    for (const ReportCase& c : kReports) {
        SCOPED_TRACE(c.name);
        EngineTerminal t;
        t.Quiet();
        const std::string at = std::string("AT") + c.name;
        t.ExpectAnswers({
            {at + "=?", Answer(std::string(c.name) + ": " + c.range)},
            {at, Answer(std::string(c.name) + ": " + c.value)},
            {at + "?", kError},
            {at + "=1", kError},
        });
    }
}

TEST(EngineCommandShapes, NotificationSettingsKeepWhatIsLeftOutAndRefuseWholly) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CNMI=,2", kOk, "an empty position keeps its value"},
        {"AT+CNMI?", Answer("+CNMI: 1,2,0,0,0")},
        {"AT+CNMI=1,1,0,0,0,0", kError, "six arguments"},
        {"AT+CNMI=", kError, "none"},
        {"AT+CNMI=2,1,0,3", kError, "status reports go to 2"},
        {"AT+CNMI=2,1,1", CmsError(303), "no cell broadcast"},
        {"AT+CNMI?", Answer("+CNMI: 1,2,0,0,0"), "a refused line sets nothing"},
        {"AT+CNMI=3,3,2,2,1", kOk},
        {"AT+CNMI?", Answer("+CNMI: 3,3,2,2,1")},
        {"AT+CNMI", kError},
    });
}

TEST(EngineCommandShapes, SubmitParametersTellBadCountsFromBadValues) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CSMP=,,,8", kOk},
        {"AT+CSMP?", Answer("+CSMP: 17,167,0,8")},
        {"AT+CSMP=17,167,0,256", CmsError(305), "a value beyond an octet"},
        {"AT+CSMP=x", CmsError(305), "not a number"},
        {"AT+CSMP=17,167,0,0,0", kError, "five arguments"},
        {"AT+CSMP=", kError, "none"},
        {"AT+CSMP?", Answer("+CSMP: 17,167,0,8"), "refused lines set nothing"},
        {"AT+CSMP=?", kOk},
        {"AT+CSMP", kError},
    });
}

TEST(EngineCommandShapes, CommandsOnOneStoredMessageTakeOnlyTheirSetForm) {
    EngineTerminal t;
    t.Quiet();
    for (const char* name : {"+CMGR", "+CMGD", "+CMSS"}) {
        SCOPED_TRACE(name);
        const std::string at = std::string("AT") + name;
        t.ExpectAnswers({
            {at + "?", kError},
            {at, kError},
            {at + "=x", kError, "the index is a number"},
            {at + "=\"1\"", kError, "and not quoted"},
        });
    }
    t.ExpectAnswers({
        {"AT+CMGR=1,0,0", kError, "AT+CMGR takes two arguments at most"},
        {"AT+CMGD=1,1,1", kError, "AT+CMGD too"},
        {"AT+CMSS=1,\"+40700000000\",145,0", kError, "AT+CMSS three"},
    });
}

TEST(EngineCommandShapes, CommandsOnOneStoredMessageNeedTheSimFirst) {
    ModemOptions options;
    options.pinRequired = true;
    EngineTerminal t(options);
    t.Quiet();
    for (const char* line : {"AT+CMGR=1", "AT+CMGD=1", "AT+CMSS=1", "AT+CMGR=x"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(t.Command(line), CmsError(311));
    }
    EXPECT_EQ(t.Command("AT+CMGR?"), kError) << "the form is checked before the SIM";
}

}  // namespace
}  // namespace vorsa::sim
