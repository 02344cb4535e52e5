// The configuration file: the INI reader's accepted and refused lines, the gateway's keys
// and their ranges, and the listen address.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vorsa/gateway/Command.h"
#include "vorsa/gateway/Config.h"
#include "vorsa/gateway/IniFile.h"

namespace vorsa::gateway {
namespace {

using ::testing::HasSubstr;

TEST(IniFile, ReadsSectionsNamesQuotesAndComments) {
    const IniParseResult ini = ParseIni(
        "# leading comment\n"
        "[gateway]\r\n"
        "  listen = 127.0.0.1:9000   # trailing comment\n"
        "token = \"  spaced # not a comment \\\" \\\\ \"  ; comment\n"
        "empty =\n"
        "[modem \"usb 0\"]\n"
        "port=/dev/ttyUSB0\n");
    ASSERT_EQ(ini.error, "");
    ASSERT_EQ(ini.sections.size(), 3u);  // the unnamed one before [gateway] included
    EXPECT_EQ(ini.sections[1].kind, "gateway");
    ASSERT_EQ(ini.sections[1].entries.size(), 3u);
    EXPECT_EQ(ini.sections[1].entries[0].value, "127.0.0.1:9000");
    EXPECT_EQ(ini.sections[1].entries[1].value, "  spaced # not a comment \" \\ ");
    EXPECT_EQ(ini.sections[1].entries[2].value, "");
    EXPECT_EQ(ini.sections[2].kind, "modem");
    EXPECT_EQ(ini.sections[2].name, "usb 0");
    EXPECT_EQ(ini.sections[2].entries[0].line, 7);
}

TEST(IniFile, RefusesMalformedLinesNamingThem) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"[gateway\n", "line 1: a section header needs its closing ]"},
        {"[gateway] x\n", "line 1: unexpected text after the section header"},
        {"[]\n", "line 1: a section needs a name"},
        {"[gateway]\nlisten\n", "line 2: expected key = value"},
        {"[gateway]\nbad key = 1\n", "line 2: a key is made of"},
        {"[gateway]\nk = \"open\n", "line 2: the quoted value has no closing quote"},
        {"[gateway]\nk = \"a\" b\n", "line 2: unexpected text after the closing quote"},
        {"[gateway]\nk = \"a\\n\"\n", "line 2: only"},
    };
    for (const auto& c : cases) {
        const IniParseResult ini = ParseIni(c.text);
        EXPECT_THAT(ini.error, HasSubstr(c.error)) << c.text;
        EXPECT_TRUE(ini.sections.empty()) << c.text;
    }
}

TEST(GatewayConfig, ReadsEveryKey) {
    const ConfigResult result = ParseConfig(
        "[gateway]\n"
        "listen = [::1]:9000\nstore = postgresql://db/sms\ntoken = t0k\nid = gw-a\n"
        "webhook = http://127.0.0.1:9100/hook\nafter_crash = retry\nmax_attempts = 7\n"
        "retry_backoff = 2\nretry_backoff_max = 60\nqueue_expiry = 3600\n"
        "abandon_after = 600\nhealth_interval = 5\nrescan_interval = 9\n"
        "reinit_after_timeouts = 4\n"
        "[modem a]\nport = /dev/serial/by-id/usb-A\nbaud = 9600\npin = 1234\n"
        "smsc = +40700000000\nstorage = \"\\\"ME\\\",\\\"ME\\\",\\\"ME\\\"\"\ntimeout = 3\n"
        "rate = 12.5\n"
        "[modem b]\nsimulated = true\n");
    ASSERT_TRUE(result.config) << result.error;
    const GatewayConfig& c = *result.config;
    EXPECT_EQ(c.listen, "[::1]:9000");
    EXPECT_EQ(c.store, "postgresql://db/sms");
    EXPECT_EQ(c.token, "t0k");
    EXPECT_EQ(c.id, "gw-a");
    EXPECT_EQ(c.webhook, "http://127.0.0.1:9100/hook");
    EXPECT_EQ(c.afterCrash, UnconfirmedPolicy::Retry);
    EXPECT_EQ(c.retry.maxAttempts, 7);
    EXPECT_EQ(c.retry.backoffMs, 2000);
    EXPECT_EQ(c.retry.maxBackoffMs, 60000);
    EXPECT_EQ(c.queueExpiryMs, 3600000);
    EXPECT_EQ(c.abandonAfterMs, 600000);
    EXPECT_EQ(c.healthIntervalMs, 5000);
    EXPECT_EQ(c.rescanIntervalMs, 9000);
    EXPECT_EQ(c.reinitAfterTimeouts, 4);
    ASSERT_EQ(c.modems.size(), 2u);
    EXPECT_EQ(c.modems[0].name, "a");
    EXPECT_EQ(c.modems[0].link.device, "/dev/serial/by-id/usb-A");
    EXPECT_EQ(c.modems[0].link.baud, 9600);
    EXPECT_EQ(c.modems[0].link.pin, "1234");
    EXPECT_EQ(c.modems[0].link.storage, "\"ME\",\"ME\",\"ME\"");
    EXPECT_EQ(c.modems[0].link.timeoutSeconds, 3u);
    EXPECT_DOUBLE_EQ(c.modems[0].ratePerMinute, 12.5);
    EXPECT_TRUE(c.modems[1].simulated);
}

TEST(GatewayConfig, RefusesUnknownKeysBadValuesAndIncompleteModems) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"listen = x\n", "settings go in a section"},
        {"[gatway]\n", "unknown section [gatway]"},
        {"[gateway]\nlisen = 1\n", "line 2: unknown key 'lisen'"},
        {"[gateway]\nmax_attempts = 0\n", "max_attempts takes a number from 1"},
        {"[gateway]\nretry_backoff = -1\n", "retry_backoff takes whole seconds"},
        {"[gateway]\nqueue_expiry = 1h\n", "queue_expiry takes whole seconds"},
        {"[gateway]\nafter_crash = maybe\n", "after_crash takes unknown or retry"},
        {"[gateway]\nlisten = 8080\n", "listen takes HOST:PORT"},
        {"[gateway]\nlisten = host:99999\n", "listen takes HOST:PORT"},
        {"[modem]\nport = /dev/x\n", "needs a name"},
        {"[modem a]\nbaud = 9600\n", "modem a needs a port"},
        {"[modem a]\nport = /x\n[modem a]\nport = /y\n", "a second modem named a"},
        {"[modem a]\nport = /x\nrate = fast\n", "rate takes messages per minute"},
        {"[modem a]\nport = /x\nsimulated = perhaps\n", "simulated takes true or false"},
    };
    for (const auto& c : cases) {
        const ConfigResult result = ParseConfig(c.text);
        EXPECT_FALSE(result.config) << c.text;
        EXPECT_THAT(result.error, HasSubstr(c.error)) << c.text;
    }
}

TEST(GatewayConfig, ListenAddressesAndLoopback) {
    std::string host;
    int port = 0;
    ASSERT_TRUE(SplitListen("127.0.0.1:0", host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 0);
    ASSERT_TRUE(SplitListen("[::1]:8080", host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, 8080);
    for (const char* bad : {"", ":80", "host:", "host:-1", "host:65536", "host:8o"}) {
        EXPECT_FALSE(SplitListen(bad, host, port)) << bad;
    }
    for (const char* loopback :
         {"127.0.0.1", "127.1.2.3", "::1", "::ffff:127.0.0.1", "localhost"}) {
        EXPECT_TRUE(IsLoopbackAddress(loopback)) << loopback;
    }
    for (const char* remote : {"10.0.0.1", "128.0.0.1", "::2", "", "1127.0.0.1"}) {
        EXPECT_FALSE(IsLoopbackAddress(remote)) << remote;
    }
}

}  // namespace
}  // namespace vorsa::gateway

namespace vorsa::gateway {
namespace {

TEST(GatewayCommand, FoundAsTheCommandWordOnly) {
    const struct {
        std::vector<std::string> arguments;
        bool gateway;
    } cases[] = {
        {{"gateway"}, true},
        {{"gateway", "--sim"}, true},
        {{"-v", "--json", "gateway"}, true},
        {{"-p", "/dev/ttyUSB0", "gateway", "-p", "/dev/ttyUSB1"}, true},
        {{"--timeout", "5", "gateway"}, true},
        {{"-p", "gateway", "status"}, false},  // "gateway" is the device here
        {{"send", "+40700000001", "gateway"}, false},
        {{"status"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsGatewayCommand(c.arguments), c.gateway)
            << ::testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace vorsa::gateway
