// Ed25519 and keyed BLAKE2b through libsodium.
#include "lobby/identity.h"

#include <sodium.h>

#include <cstdlib>

namespace vt::lobby {
namespace {

// sodium_init is safe to call from any thread and more than once; it only fails when the system's
// random source is unusable, and then no key could be trusted.
void EnsureSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) std::abort();
}

struct KeyPair {
  PublicKey pub;
  std::array<uint8_t, crypto_sign_SECRETKEYBYTES> secret;
};

KeyPair MakeKeyPair(const Seed& seed) {
  EnsureSodium();
  KeyPair kp;
  crypto_sign_seed_keypair(kp.pub.data(), kp.secret.data(), seed.data());
  return kp;
}

}  // namespace

static_assert(crypto_sign_SEEDBYTES == kSeedBytes && crypto_sign_PUBLICKEYBYTES == kPublicKeyBytes &&
              crypto_sign_BYTES == kSignatureBytes);

Seed NewSeed() {
  Seed seed;
  RandomBytes(seed);
  return seed;
}

PublicKey PublicKeyOf(const Seed& seed) { return MakeKeyPair(seed).pub; }

Signature Sign(const Seed& seed, std::span<const uint8_t> message) {
  KeyPair kp = MakeKeyPair(seed);
  Signature sig;
  crypto_sign_detached(sig.data(), nullptr, message.data(), message.size(), kp.secret.data());
  sodium_memzero(kp.secret.data(), kp.secret.size());
  return sig;
}

bool Verify(const PublicKey& key, std::span<const uint8_t> message, const Signature& signature) {
  EnsureSodium();
  return crypto_sign_verify_detached(signature.data(), message.data(), message.size(), key.data()) == 0;
}

void KeyedTag(std::span<const uint8_t, 32> key, std::span<const uint8_t> data, std::span<uint8_t> out) {
  EnsureSodium();
  std::array<uint8_t, 16> full;
  crypto_generichash(full.data(), full.size(), data.data(), data.size(), key.data(), key.size());
  const size_t n = out.size() < full.size() ? out.size() : full.size();
  for (size_t i = 0; i < n; ++i) out[i] = full[i];
}

void RandomBytes(std::span<uint8_t> out) {
  EnsureSodium();
  randombytes_buf(out.data(), out.size());
}

}  // namespace vt::lobby
