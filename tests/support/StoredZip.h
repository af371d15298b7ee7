// A zip archive built in memory with its members stored uncompressed, for
// tests and fuzz targets that make workbook packages of their own.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using Parts = std::vector<std::pair<std::string, std::string>>;

inline std::uint32_t crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Appends each value little-endian in its number of bytes.
inline void put(std::string& out, std::initializer_list<std::pair<std::uint32_t, int>> fields) {
  for (const auto& [value, bytes] : fields)
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A zip archive whose members are stored uncompressed; or, given
// `lastInflated`, whose last member claims to be compressed data that
// inflates to that many bytes.
inline std::string storedZip(const Parts& parts, std::uint32_t lastInflated = 0) {
  std::string body, directory;
  for (const auto& [name, data] : parts) {
    std::uint32_t offset = body.size(), crc = crc32(data), size = data.size(), nameLen = name.size();
    bool claims = lastInflated && name == parts.back().first;
    std::uint32_t method = claims ? 8 : 0, full = claims ? lastInflated : size;
    put(body, {{0x04034b50, 4}, {20, 2}, {0, 2}, {method, 2}, {0, 2}, {0x21, 2}, {crc, 4}, {size, 4}, {full, 4},
               {nameLen, 2}, {0, 2}});
    body += name + data;
    put(directory, {{0x02014b50, 4}, {20, 2}, {20, 2}, {0, 2}, {method, 2}, {0, 2}, {0x21, 2}, {crc, 4}, {size, 4},
                    {full, 4}, {nameLen, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 4}, {offset, 4}});
    directory += name;
  }
  std::string out = body + directory;
  std::uint32_t count = parts.size(), dirSize = directory.size(), bodySize = body.size();
  put(out, {{0x06054b50, 4}, {0, 2}, {0, 2}, {count, 2}, {count, 2}, {dirSize, 4}, {bodySize, 4}, {0, 2}});
  return out;
}

