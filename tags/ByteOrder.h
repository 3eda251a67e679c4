#pragma once

// Big-endian and 7-bit-group ("synchsafe") numbers as ID3v2 stores them. Every
// read takes a span and checks its length; a short span reads as nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Four bytes, most significant first.
constexpr std::optional<uint32_t> ReadBigEndian32(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4) return std::nullopt;
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

constexpr bool WriteBigEndian32(uint32_t value, std::span<uint8_t> out) {
    if (out.size() < 4) return false;
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
    return true;
}

// Four 7-bit groups, most significant first. The bytes are taken whole: a set
// high bit is not masked off, so a broken size stays visibly large.
constexpr std::optional<uint32_t> ReadSynchsafe32(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4) return std::nullopt;
    return (uint32_t{bytes[0]} << 21) + (uint32_t{bytes[1]} << 14) + (uint32_t{bytes[2]} << 7) +
           uint32_t{bytes[3]};
}

// Keeps the low 28 bits; every written byte stays below 0x80.
constexpr bool WriteSynchsafe32(uint32_t value, std::span<uint8_t> out) {
    if (out.size() < 4) return false;
    out[0] = static_cast<uint8_t>((value >> 21) & 0x7F);
    out[1] = static_cast<uint8_t>((value >> 14) & 0x7F);
    out[2] = static_cast<uint8_t>((value >> 7) & 0x7F);
    out[3] = static_cast<uint8_t>(value & 0x7F);
    return true;
}

// Reverses the byte order of a 32-bit number.
constexpr uint32_t Swap32(uint32_t value) {
    return ((value & 0x000000FFu) << 24) | ((value & 0x0000FF00u) << 8) |
           ((value & 0x00FF0000u) >> 8) | ((value & 0xFF000000u) >> 24);
}
