// Zip archives in memory on zlib: the directory read and checked, members
// inflated and checksummed, archives written with their members deflated
// or copied as packed. The archive format's 64-bit extension is read for a
// member's sizes and offset, not for the archive's own directory.
#include "platform/xlsx/Xlsx_Zip.h"

#include <zlib.h>

#include <ctime>
#include <limits>
#include <new>

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kMaxComment = 0xffff;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint32_t kZip64Mark = 0xffffffff;
constexpr std::uint16_t kCountMark = 0xffff;
constexpr std::uint16_t kVersion = 20;  // 2.0: deflate, no 64-bit extension
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr int kRawDeflate = -15;  // raw deflate data, 32 KiB window
constexpr int kMemLevel = 8;
constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

std::uint16_t u16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t u32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

std::uint64_t u64(const std::string& b, std::size_t at) {
  return static_cast<std::uint64_t>(u32(b, at)) | static_cast<std::uint64_t>(u32(b, at + 4)) << 32;
}

void put16(std::string* b, std::uint32_t v) {
  b->push_back(static_cast<char>(v & 0xff));
  b->push_back(static_cast<char>((v >> 8) & 0xff));
}

void put32(std::string* b, std::uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}

bool fail(std::string* why, const std::string& message) {
  *why = message;
  return false;
}

// The offset of the end record: the last signature from which the record
// and its comment reach the end of the bytes; npos when there is none.
std::size_t findEnd(const std::string& b) {
  if (b.size() < kEndSize) return std::string::npos;
  std::size_t lowest = b.size() - kEndSize > kMaxComment ? b.size() - kEndSize - kMaxComment : 0;
  for (std::size_t at = b.size() - kEndSize + 1; at-- > lowest;)
    if (u32(b, at) == kEndSignature && at + kEndSize + u16(b, at + 20) <= b.size()) return at;
  return std::string::npos;
}

// The sizes and offset a member's 64-bit extra field gives for those its
// directory entry marks as too large for 32 bits.
bool readZip64(const std::string& b, std::size_t extra, std::size_t end, XlsxZipMember* m, std::uint64_t* offset) {
  while (extra + 4 <= end) {
    std::uint16_t id = u16(b, extra), length = u16(b, extra + 2);
    std::size_t at = extra + 4, stop = at + length;
    if (stop > end) return false;
    if (id == kZip64Extra) {
      for (std::uint64_t* field : {&m->size, &m->packedSize, offset}) {
        if (*field != kZip64Mark) continue;
        if (at + 8 > stop) return false;
        *field = u64(b, at);
        at += 8;
      }
      return true;
    }
    extra = stop;
  }
  return false;
}

// Where the member's packed bytes start, from its local header, which must
// name the member as the directory does.
bool locateData(const std::string& b, std::uint64_t local, std::size_t limit, XlsxZipMember* m, std::string* why) {
  std::string bad = "damaged archive: the local header of member '" + m->name + "' ";
  if (local > limit || limit - local < kLocalSize || u32(b, local) != kLocalSignature) return fail(why, bad + "is missing");
  std::size_t nameLength = u16(b, local + 26), extraLength = u16(b, local + 28);
  if (local + kLocalSize + nameLength > limit || b.compare(local + kLocalSize, nameLength, m->name) != 0)
    return fail(why, bad + "names another member");
  m->dataOffset = local + kLocalSize + nameLength + extraLength;
  if (m->dataOffset > limit || m->packedSize > limit - m->dataOffset)
    return fail(why, "damaged archive: the data of member '" + m->name + "' runs past its end");
  return true;
}

// One directory entry at `at`, which moves past it.
bool readEntry(const std::string& b, std::size_t* at, std::size_t end, XlsxZipMember* m, std::string* why) {
  std::size_t e = *at;
  if (e + kCentralSize > end || u32(b, e) != kCentralSignature)
    return fail(why, "damaged archive: its directory is cut short");
  std::size_t nameLength = u16(b, e + 28), extraLength = u16(b, e + 30), commentLength = u16(b, e + 32);
  std::size_t extra = e + kCentralSize + nameLength, next = extra + extraLength + commentLength;
  if (next > end) return fail(why, "damaged archive: its directory is cut short");
  m->name.assign(b, e + kCentralSize, nameLength);
  m->method = u16(b, e + 10);
  m->encrypted = (u16(b, e + 8) & kFlagEncrypted) != 0;
  m->utf8Name = (u16(b, e + 8) & kFlagUtf8) != 0;
  m->crc = u32(b, e + 16);
  m->packedSize = u32(b, e + 20);
  m->size = u32(b, e + 24);
  std::uint64_t local = u32(b, e + 42);
  bool wide = m->packedSize == kZip64Mark || m->size == kZip64Mark || local == kZip64Mark;
  if (wide && !readZip64(b, extra, extra + extraLength, m, &local))
    return fail(why, "damaged archive: member '" + m->name + "' lacks its 64-bit sizes");
  *at = next;
  return locateData(b, local, b.size(), m, why);
}

// The current time as the archive format stores it (local time, two-second
// steps, years from 1980).
std::uint32_t dosNow() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  int year = t.tm_year < 80 ? 0 : t.tm_year - 80;
  std::uint32_t date = static_cast<std::uint32_t>(year << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
  std::uint32_t time = static_cast<std::uint32_t>(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
  return date << 16 | time;
}

// Whether a name written here needs the UTF-8 flag: it has bytes beyond ASCII.
bool beyondAscii(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

// The fields a local header and a directory entry share, from "version
// needed" to the name's length.
void putCommon(std::string* b, const XlsxZipMember& m, std::uint32_t when) {
  put16(b, kVersion);
  put16(b, m.utf8Name ? kFlagUtf8 : 0);
  put16(b, m.method);
  put32(b, when);
  put32(b, m.crc);
  put32(b, static_cast<std::uint32_t>(m.packedSize));
  put32(b, static_cast<std::uint32_t>(m.size));
  put16(b, static_cast<std::uint32_t>(m.name.size()));
}

// Appends the local header of `m` and its packed bytes.
bool append(XlsxZipWriter* w, XlsxZipMember m, std::string_view packed, std::string* why) {
  if (m.size > kMax32 || m.packedSize > kMax32 || w->bytes.size() > kMax32 || m.name.size() > kMaxComment)
    return fail(why, "member '" + m.name + "' is too large for the archive");
  if (m.encrypted) return fail(why, "member '" + m.name + "' is encrypted");
  if (!w->modified) w->modified = dosNow();
  m.dataOffset = w->bytes.size();
  put32(&w->bytes, kLocalSignature);
  putCommon(&w->bytes, m, w->modified);
  put16(&w->bytes, 0);  // no extra field
  w->bytes += m.name;
  w->bytes += packed;
  w->members.push_back(std::move(m));
  return true;
}

}  // namespace

bool Xlsx_zipOpen(const std::string& bytes, XlsxZip* zip, bool* notZip, std::string* why) {
  std::size_t end = findEnd(bytes);
  *notZip = end == std::string::npos;
  if (*notZip) return fail(why, "not a zip archive");
  std::size_t count = u16(bytes, end + 10);
  std::uint64_t size = u32(bytes, end + 12), offset = u32(bytes, end + 16);
  if (count == kCountMark || offset == kZip64Mark)
    return fail(why, "the archive uses the 64-bit extension for its directory, which is not read");
  if (offset + size > end) return fail(why, "damaged archive: its directory lies outside it");
  zip->bytes = &bytes;
  zip->members.assign(count, XlsxZipMember{});
  std::size_t at = offset;
  for (XlsxZipMember& m : zip->members)
    if (!readEntry(bytes, &at, offset + size, &m, why)) return false;
  for (std::size_t i = 0; i < zip->members.size(); ++i)
    if (!zip->byName.emplace(zip->members[i].name, i).second)
      return fail(why, "the archive holds member '" + zip->members[i].name +
                           "' twice, which no sound program writes (other programs would read the other copy)");
  return true;
}

const XlsxZipMember* Xlsx_zipFind(const XlsxZip& zip, std::string_view name) {
  auto it = zip.byName.find(name);
  return it == zip.byName.end() ? nullptr : &zip.members[it->second];
}

bool Xlsx_zipRead(const XlsxZip& zip, const XlsxZipMember& m, std::string* out, std::string* why) {
  if (m.encrypted) return fail(why, "encrypted");
  if (m.size > kMax32 || m.packedSize > kMax32) return fail(why, "too large");
  const char* packed = zip.bytes->data() + m.dataOffset;
  out->assign(m.size, '\0');
  bool whole = false;
  if (m.method == kXlsxZipStored) {
    whole = m.packedSize == m.size;
    if (whole) out->assign(packed, m.size);
  } else if (m.method == kXlsxZipDeflated) {
    z_stream s{};
    int init = inflateInit2(&s, kRawDeflate);
    if (init == Z_MEM_ERROR) throw std::bad_alloc();
    if (init != Z_OK) return fail(why, "cannot be inflated");
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed));
    s.avail_in = static_cast<uInt>(m.packedSize);
    s.next_out = reinterpret_cast<Bytef*>(out->data());
    s.avail_out = static_cast<uInt>(m.size);
    int rc = inflate(&s, Z_FINISH);
    whole = rc == Z_STREAM_END && s.total_out == m.size;
    if (rc == Z_MEM_ERROR) {
      inflateEnd(&s);
      throw std::bad_alloc();
    }
    if (rc == Z_DATA_ERROR) {
      inflateEnd(&s);
      return fail(why, "damaged data (it does not inflate)");
    }
    inflateEnd(&s);
  } else {
    return fail(why, "packed in a way this reader does not know");
  }
  if (!whole) return fail(why, "damaged data (its length differs from the stated one)");
  std::uint32_t crc =
      static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(out->data()), static_cast<uInt>(out->size())));
  return crc == m.crc || fail(why, "damaged data (its checksum is wrong)");
}

bool Xlsx_zipAdd(XlsxZipWriter* w, const std::string& name, std::string_view data, int level, std::string* why) {
  if (data.size() > kMax32) return fail(why, "member '" + name + "' is too large for the archive");
  z_stream s{};
  int init = deflateInit2(&s, level, Z_DEFLATED, kRawDeflate, kMemLevel, Z_DEFAULT_STRATEGY);
  if (init == Z_MEM_ERROR) throw std::bad_alloc();
  if (init != Z_OK) return fail(why, "member '" + name + "' cannot be compressed");
  std::string packed(deflateBound(&s, static_cast<uLong>(data.size())), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(packed.data());
  s.avail_out = static_cast<uInt>(packed.size());
  int rc = deflate(&s, Z_FINISH);
  packed.resize(s.total_out);
  deflateEnd(&s);
  if (rc != Z_STREAM_END) return fail(why, "member '" + name + "' cannot be compressed");
  XlsxZipMember m;
  m.name = name;
  m.utf8Name = beyondAscii(name);
  m.method = kXlsxZipDeflated;
  m.crc =
      static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  m.packedSize = packed.size();
  m.size = data.size();
  return append(w, std::move(m), packed, why);
}

bool Xlsx_zipCopy(XlsxZipWriter* w, const XlsxZip& from, const XlsxZipMember& member, std::string* why) {
  std::string_view packed(from.bytes->data() + member.dataOffset, member.packedSize);
  return append(w, member, packed, why);
}

bool Xlsx_zipFinish(XlsxZipWriter* w, std::string* bytes, std::string* why) {
  if (w->members.size() >= kCountMark) return fail(why, "too many members for the archive");
  std::uint64_t offset = w->bytes.size();
  for (const XlsxZipMember& m : w->members) {
    put32(&w->bytes, kCentralSignature);
    put16(&w->bytes, kVersion);  // made by: 2.0, no file system's attributes
    putCommon(&w->bytes, m, w->modified);
    for (int i = 0; i < 4; ++i) put16(&w->bytes, 0);  // extra, comment, disk, internal attributes
    put32(&w->bytes, 0);                              // external attributes
    put32(&w->bytes, static_cast<std::uint32_t>(m.dataOffset));
    w->bytes += m.name;
  }
  std::uint64_t size = w->bytes.size() - offset;
  if (offset > kMax32 || size > kMax32) return fail(why, "the archive is too large");
  put32(&w->bytes, kEndSignature);
  put32(&w->bytes, 0);  // this disk and the directory's
  put16(&w->bytes, static_cast<std::uint32_t>(w->members.size()));
  put16(&w->bytes, static_cast<std::uint32_t>(w->members.size()));
  put32(&w->bytes, static_cast<std::uint32_t>(size));
  put32(&w->bytes, static_cast<std::uint32_t>(offset));
  put16(&w->bytes, 0);  // no comment
  *bytes = std::move(w->bytes);
  return true;
}
