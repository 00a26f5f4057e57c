// Where the service may listen: loopback by default, a LAN address only with --insecure-lan,
// never a public or wildcard one. Nothing here binds a socket.
#include "lobbyd/address_policy.h"

#include <gtest/gtest.h>

namespace vt::lobbyd {
namespace {

struct Row {
  const char* listen;
  bool insecureLan;
  bool allowed;
  const char* message;  // part of the refusal
};

TEST(AddressPolicy, ListensOnLoopbackAlwaysOnALanOnlyWhenToldAndNeverOnThePublicNetwork) {
  const Row rows[] = {
      {"127.0.0.1:47800", false, true, ""},
      {"127.0.0.1:0", false, true, ""},
      {"127.1.2.3:5", false, true, ""},
      {"[::1]:47800", false, true, ""},
      {"localhost:47800", false, true, ""},
      {"[::ffff:127.0.0.1]:1", false, true, ""},
      {"192.168.1.20:47800", false, false, "needs --insecure-lan"},
      {"192.168.1.20:47800", true, true, ""},
      {"10.0.0.1:47800", true, true, ""},
      {"172.16.0.1:47800", true, true, ""},
      {"172.31.255.255:47800", true, true, ""},
      {"172.32.0.1:47800", true, false, "public address"},
      {"172.15.0.1:47800", true, false, "public address"},
      {"169.254.3.4:47800", true, true, ""},
      {"[fd12:3456::1]:47800", false, false, "needs --insecure-lan"},
      {"[fd12:3456::1]:47800", true, true, ""},
      {"[fe80::1]:47800", true, true, ""},
      {"[::ffff:192.168.0.9]:47800", true, true, ""},
      {"[::ffff:192.168.0.9]:47800", false, false, "needs --insecure-lan"},
      {"8.8.8.8:47800", true, false, "public address"},
      {"100.64.0.1:47800", true, false, "public address"},  // carrier NAT is not the player's LAN
      {"[2001:db8::1]:47800", true, false, "public address"},
      {"[::ffff:8.8.8.8]:47800", true, false, "public address"},
      {"0.0.0.0:47800", true, false, "wildcard"},
      {"[::]:47800", true, false, "wildcard"},
      {"*:47800", true, false, "wildcard"},
      {"255.255.255.255:47800", true, false, "not a numeric unicast"},
      {"224.0.0.1:47800", true, false, "not a numeric unicast"},
      {"[ff02::1]:47800", true, false, "not a numeric unicast"},
      {"lobby.example:47800", true, false, "not a numeric unicast"},
      {"127.0.0.1", false, false, "no port"},
      {"127.0.0.1:65536", false, false, "port"},
      {"::1:47800", false, false, "[address]:port"},
      {"", false, false, "no port"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.listen) + (row.insecureLan ? " --insecure-lan" : ""));
    const ListenDecision d = CheckListenAddress(row.listen, row.insecureLan);
    EXPECT_EQ(d.address.has_value(), row.allowed) << d.message;
    if (row.allowed) {
      EXPECT_TRUE(d.message.empty());
    } else {
      EXPECT_NE(d.message.find(row.message), std::string::npos) << d.message;
      EXPECT_NE(d.message.find(row.listen), std::string::npos) << d.message;  // names what it refused
    }
  }
}

TEST(AddressPolicy, KeepsTheHostAndPortItAllows) {
  EXPECT_TRUE(CheckListenAddress(kDefaultListenAddress, false).address.has_value());
  const ListenDecision v6 = CheckListenAddress("[::1]:0", false);
  ASSERT_TRUE(v6.address.has_value());
  EXPECT_EQ(v6.address->host, "::1");
  EXPECT_EQ(v6.address->port, 0);
  EXPECT_EQ(lobby::FormatHostPort(*v6.address), "[::1]:0");
  const ListenDecision v4 = CheckListenAddress("127.0.0.1:47800", false);
  ASSERT_TRUE(v4.address.has_value());
  EXPECT_EQ(v4.address->host, "127.0.0.1");
  EXPECT_EQ(v4.address->port, 47800);
}

}  // namespace
}  // namespace vt::lobbyd
