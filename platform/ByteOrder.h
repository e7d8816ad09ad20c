#pragma once
/**
 * @file ByteOrder.h
 * @brief Reading and writing fixed-size integers in a stated byte order, for file formats.
 */
#include <cstdint>
#include <string>

namespace platform {

inline std::uint32_t ReadBe16(const unsigned char* p) { return static_cast<std::uint32_t>(p[0]) << 8 | p[1]; }

inline std::uint32_t ReadBe32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

inline std::uint32_t ReadLe16(const unsigned char* p) { return p[0] | static_cast<std::uint32_t>(p[1]) << 8; }

inline std::uint32_t ReadLe32(const unsigned char* p)
{
    return p[0] | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[3]) << 24;
}

inline void AppendLe16(std::string& out, std::uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void AppendLe32(std::string& out, std::uint32_t v)
{
    AppendLe16(out, v & 0xFFFF);
    AppendLe16(out, v >> 16);
}

}  // namespace platform
