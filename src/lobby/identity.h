// Who a player is online: an Ed25519 key pair made from a 32-byte seed (the profile keeps the
// seed), signatures over login challenges, and the keyed tags of relayed datagrams.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vt::lobby {

constexpr size_t kSeedBytes = 32;
constexpr size_t kPublicKeyBytes = 32;
constexpr size_t kSignatureBytes = 64;

using Seed = std::array<uint8_t, kSeedBytes>;
using PublicKey = std::array<uint8_t, kPublicKeyBytes>;
using Signature = std::array<uint8_t, kSignatureBytes>;

// A fresh seed from the system's random source.
Seed NewSeed();

PublicKey PublicKeyOf(const Seed& seed);

// Signs `message` with the key pair made from `seed`.
Signature Sign(const Seed& seed, std::span<const uint8_t> message);

bool Verify(const PublicKey& key, std::span<const uint8_t> message, const Signature& signature);

// Keyed BLAKE2b over `data`, 16 bytes, of which a datagram keeps the first `out.size()`.
void KeyedTag(std::span<const uint8_t, 32> key, std::span<const uint8_t> data, std::span<uint8_t> out);

// Random bytes from the system's source (session keys, nonces, handles).
void RandomBytes(std::span<uint8_t> out);

}  // namespace vt::lobby
