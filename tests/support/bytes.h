// Raw file helpers for tests that check files byte by byte.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pinora::test {

inline std::string readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The 16 header bytes every save writes: length 8, 0x83 "PNR2DB" 0x83, two unused bytes,
// padding, version 2500 little-endian.
inline const std::string kHeaderBytes("\x08\x83PNR2DB\x83\0\0\0\xC4\x09\0\0", 16);

inline std::uint8_t u8(const std::string& b, std::size_t off) {
    return static_cast<std::uint8_t>(b.at(off));
}
inline std::int32_t i32(const std::string& b, std::size_t off) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(u8(b, off)) |
                                     static_cast<std::uint32_t>(u8(b, off + 1)) << 8 |
                                     static_cast<std::uint32_t>(u8(b, off + 2)) << 16 |
                                     static_cast<std::uint32_t>(u8(b, off + 3)) << 24);
}
inline std::uint16_t u16(const std::string& b, std::size_t off) {
    return static_cast<std::uint16_t>(u8(b, off) | u8(b, off + 1) << 8);
}
inline double f64(const std::string& b, std::size_t off) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | u8(b, off + static_cast<std::size_t>(i));
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
// A length-prefixed text at off.
inline std::string text(const std::string& b, std::size_t off) {
    return b.substr(off + 1, u8(b, off));
}

inline void put8(std::string& b, std::size_t off, std::uint8_t v) {
    b.at(off) = static_cast<char>(v);
}
inline void put32(std::string& b, std::size_t off, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        put8(b, off + static_cast<std::size_t>(i), (u >> (8 * i)) & 0xFF);
}
inline void put64(std::string& b, std::size_t off, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i)
        put8(b, off + static_cast<std::size_t>(i), static_cast<std::uint8_t>(bits >> (8 * i)));
}
inline void putText(std::string& b, std::size_t off, const std::string& s) {
    put8(b, off, static_cast<std::uint8_t>(s.size()));
    b.replace(off + 1, s.size(), s);
}

} // namespace pinora::test
