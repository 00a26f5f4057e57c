// Signatures and tags: a published Ed25519 vector pins the key derivation, and any changed byte
// of key, message or signature fails verification.
#include "lobby/identity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vt::lobby {
namespace {

template <size_t N>
std::array<uint8_t, N> FromHex(const std::string& hex) {
  std::array<uint8_t, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = static_cast<uint8_t>(std::stoi(hex.substr(i * 2, 2), nullptr, 16));
  return out;
}

TEST(Identity, PublishedVectorForTheEmptyMessage) {
  const Seed seed = FromHex<32>("9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60");
  const PublicKey pub = PublicKeyOf(seed);
  EXPECT_EQ(pub, FromHex<32>("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a"));
  const Signature sig = Sign(seed, {});
  EXPECT_EQ(sig,
            FromHex<64>("e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bac"
                        "c61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"));
  EXPECT_TRUE(Verify(pub, {}, sig));
}

TEST(Identity, AnyChangedByteFailsVerification) {
  const Seed seed = NewSeed();
  const PublicKey pub = PublicKeyOf(seed);
  const std::vector<uint8_t> msg = {'v', 't', 0, 1, 2, 3};
  const Signature sig = Sign(seed, msg);
  ASSERT_TRUE(Verify(pub, msg, sig));
  for (size_t i = 0; i < msg.size(); ++i) {
    std::vector<uint8_t> m = msg;
    m[i] ^= 1;
    EXPECT_FALSE(Verify(pub, m, sig)) << "message byte " << i;
  }
  Signature s = sig;
  s[10] ^= 0x80;
  EXPECT_FALSE(Verify(pub, msg, s));
  PublicKey other = PublicKeyOf(NewSeed());
  EXPECT_FALSE(Verify(other, msg, sig));
}

TEST(Identity, TagsDependOnKeyAndDataAndKeepTheirPrefix) {
  std::array<uint8_t, 32> key{};
  key[0] = 7;
  const std::vector<uint8_t> data = {1, 2, 3};
  std::array<uint8_t, 12> a{}, b{};
  std::array<uint8_t, 16> full{};
  KeyedTag(key, data, a);
  KeyedTag(key, data, full);
  EXPECT_TRUE(std::equal(a.begin(), a.end(), full.begin()));
  key[0] = 8;
  KeyedTag(key, data, b);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace vt::lobby
