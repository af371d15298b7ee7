// The zip archives a package is stored in, read from and written to memory
// on zlib alone: members stored or deflated, as workbook files hold them.
// Reading checks each member's local header against the central directory
// and its checksum; a member is found by its exact name. Memory that runs
// out, zlib's included, throws std::bad_alloc, as the C++ library's does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One member as the central directory lists it.
struct XlsxZipMember {
  std::string name;
  std::uint16_t method = 0;  // kXlsxZipStored or kXlsxZipDeflated
  std::uint32_t crc = 0;
  std::uint64_t packedSize = 0;  // bytes in the archive
  std::uint64_t size = 0;        // bytes once inflated
  std::uint64_t dataOffset = 0;  // where the packed bytes start
  bool encrypted = false;        // such a member is neither read nor copied
  bool utf8Name = false;         // the name is flagged as UTF-8 (else the archive's old code page)
};

constexpr std::uint16_t kXlsxZipStored = 0;
constexpr std::uint16_t kXlsxZipDeflated = 8;

// An archive read from bytes that must outlive it.
struct XlsxZip {
  const std::string* bytes = nullptr;
  std::vector<XlsxZipMember> members;                        // in archive order
  std::unordered_map<std::string_view, std::size_t> byName;  // each name is one member's
};

// Reads the directory of the archive in `bytes`. On failure `why` says what
// is wrong and `notZip` whether the bytes hold no archive at all. An archive
// that names one member twice is refused: readers differ on which copy
// counts, so that what one program shows another would not read.
bool Xlsx_zipOpen(const std::string& bytes, XlsxZip* zip, bool* notZip, std::string* why);

// The member named `name`, or nullptr.
const XlsxZipMember* Xlsx_zipFind(const XlsxZip& zip, std::string_view name);

// The member's data inflated into `out`, its checksum checked.
bool Xlsx_zipRead(const XlsxZip& zip, const XlsxZipMember& member, std::string* out, std::string* why);

// An archive being written: members are appended, then Xlsx_zipFinish adds
// the central directory.
struct XlsxZipWriter {
  std::string bytes;
  std::vector<XlsxZipMember> members;  // dataOffset: the local header's offset
  std::uint32_t modified = 0;          // the members' time, set by the first
};

// Appends `data` deflated at `level` under `name`.
bool Xlsx_zipAdd(XlsxZipWriter* w, const std::string& name, std::string_view data, int level, std::string* why);

// Appends a member of another archive as it is packed there, its name
// flagged as UTF-8 or not as it is there.
bool Xlsx_zipCopy(XlsxZipWriter* w, const XlsxZip& from, const XlsxZipMember& member, std::string* why);

// The archive's bytes, complete.
bool Xlsx_zipFinish(XlsxZipWriter* w, std::string* bytes, std::string* why);
