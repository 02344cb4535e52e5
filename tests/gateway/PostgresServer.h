// A PostgreSQL server of the tests' own, in a temporary directory, reached over a Unix
// socket there only (no TCP port to collide with). It starts on first use and stops when
// the test program ends. PostgreSQL refuses to run as root, so a root test run starts it as
// the "postgres" user that Debian's package creates.
#pragma once

#include <string>

namespace vorsa::test {

class PostgresServer {
  public:
    /// The server of this test program, started on first use.
    static PostgresServer& Shared();

    /// False when no server could be started; Why() says why.
    [[nodiscard]] bool Available() const { return !url_.empty(); }
    [[nodiscard]] const std::string& Why() const { return why_; }
    /// A new, empty database; its postgresql:// URL.
    [[nodiscard]] std::string NewDatabase();

    ~PostgresServer();

  private:
    PostgresServer();
    std::string dir_;
    std::string bin_;
    std::string runAs_;  // "runuser -u postgres -- " when root
    std::string url_;    // of the maintenance database
    std::string why_;
    int databases_ = 0;
};

/// Skips the test when no server is available, except under CI (CI=true), where it fails.
#define VORSA_REQUIRE_POSTGRES()                                                             \
    do {                                                                                     \
        if (!::vorsa::test::PostgresServer::Shared().Available()) {                          \
            const char* ci = std::getenv("CI");                                              \
            if (ci != nullptr && std::string(ci) == "true") {                                \
                FAIL() << "PostgreSQL: " << ::vorsa::test::PostgresServer::Shared().Why();   \
            }                                                                                \
            GTEST_SKIP() << "PostgreSQL: " << ::vorsa::test::PostgresServer::Shared().Why(); \
        }                                                                                    \
    } while (false)

}  // namespace vorsa::test
