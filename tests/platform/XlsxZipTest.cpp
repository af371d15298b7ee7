// The platform's zip archives checked against libzip as an independent
// reader and writer: what one writes the other reads back byte for byte,
// members copied as packed stay as they were, and damaged archives are
// refused with the fault named.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/xlsx/Xlsx_Zip.h"
#include "tests/support/StoredZip.h"

namespace {

using Members = std::vector<std::pair<std::string, std::string>>;

std::string sheetLike() {
  std::string s = "<sheetData>";
  for (int r = 1; r <= 2000; ++r)
    s += "<row r=\"" + std::to_string(r) + "\"><c><v>" + std::to_string(r * 7) + "</v></c></row>";
  return s + "</sheetData>";
}

std::string binary() {
  std::string s;
  for (unsigned i = 0; i < 70000; ++i) s.push_back(static_cast<char>((i * 2654435761u) >> 24));
  return s;
}

const Members kMembers = {
    {"[Content_Types].xml", "<Types/>"},
    {"xl/empty.xml", ""},
    {"xl/worksheets/sheet1.xml", sheetLike()},
    {"xl/media/image\xc3\xa9.bin", binary()},
};

std::string writeOurs(const Members& members) {
  XlsxZipWriter w;
  std::string why, bytes;
  for (const auto& [name, data] : members) EXPECT_TRUE(Xlsx_zipAdd(&w, name, data, 1, &why)) << why;
  EXPECT_TRUE(Xlsx_zipFinish(&w, &bytes, &why)) << why;
  return bytes;
}

// The members as libzip reads them, in archive order.
Members readWithLibzip(const std::string& bytes) {
  zip_error_t e;
  zip_error_init(&e);
  zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &e);
  zip_t* z = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &e);
  zip_error_fini(&e);
  Members out;
  for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, i, 0, &st);
    std::string data(st.size, '\0');
    zip_file_t* f = zip_fopen_index(z, i, 0);
    EXPECT_EQ(zip_fread(f, data.data(), st.size), static_cast<zip_int64_t>(st.size));
    EXPECT_EQ(zip_fclose(f), 0);
    out.emplace_back(st.name, data);
  }
  if (z) zip_discard(z);
  else zip_source_free(src);
  return out;
}

// An archive libzip writes, each member stored or deflated as `methods` says.
std::string writeWithLibzip(const Members& members, const std::vector<zip_int32_t>& methods) {
  zip_error_t e;
  zip_error_init(&e);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &e);
  zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &e);
  zip_error_fini(&e);
  zip_source_keep(out);
  for (size_t i = 0; i < members.size(); ++i) {
    zip_source_t* s = zip_source_buffer(z, members[i].second.data(), members[i].second.size(), 0);
    zip_int64_t index = zip_file_add(z, members[i].first.c_str(), s, ZIP_FL_ENC_UTF_8);
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), methods[i], 0);
  }
  EXPECT_EQ(zip_close(z), 0);
  zip_stat_t st;
  zip_source_open(out);
  zip_source_stat(out, &st);
  std::string bytes(st.size, '\0');
  zip_source_read(out, bytes.data(), st.size);
  zip_source_close(out);
  zip_source_free(out);
  return bytes;
}

Members readOurs(const std::string& bytes) {
  XlsxZip zip;
  bool notZip = true;
  std::string why;
  EXPECT_TRUE(Xlsx_zipOpen(bytes, &zip, &notZip, &why)) << why;
  Members out;
  for (const XlsxZipMember& m : zip.members) {
    std::string data;
    EXPECT_TRUE(Xlsx_zipRead(zip, m, &data, &why)) << m.name << ": " << why;
    out.emplace_back(m.name, data);
  }
  return out;
}

TEST(XlsxZip, LibzipReadsWhatIsWritten) { EXPECT_EQ(readWithLibzip(writeOurs(kMembers)), kMembers); }

TEST(XlsxZip, ReadsWhatLibzipWritesStoredOrDeflated) {
  EXPECT_EQ(readOurs(writeWithLibzip(kMembers, {ZIP_CM_STORE, ZIP_CM_DEFLATE, ZIP_CM_DEFLATE, ZIP_CM_STORE})),
            kMembers);
}

TEST(XlsxZip, FindsMembersByExactName) {
  std::string bytes = writeOurs(kMembers);
  XlsxZip zip;
  bool notZip = false;
  std::string why;
  ASSERT_TRUE(Xlsx_zipOpen(bytes, &zip, &notZip, &why)) << why;
  ASSERT_NE(Xlsx_zipFind(zip, "xl/worksheets/sheet1.xml"), nullptr);
  EXPECT_EQ(Xlsx_zipFind(zip, "xl/worksheets/sheet1.xml")->size, kMembers[2].second.size());
  EXPECT_EQ(Xlsx_zipFind(zip, "XL/worksheets/sheet1.xml"), nullptr);
  EXPECT_EQ(Xlsx_zipFind(zip, "sheet1.xml"), nullptr);
}

TEST(XlsxZip, CopiedMembersKeepTheirPackedBytes) {
  std::string source = writeWithLibzip(kMembers, {ZIP_CM_DEFLATE, ZIP_CM_STORE, ZIP_CM_DEFLATE, ZIP_CM_DEFLATE});
  XlsxZip from;
  bool notZip = false;
  std::string why, copied;
  ASSERT_TRUE(Xlsx_zipOpen(source, &from, &notZip, &why)) << why;
  XlsxZipWriter w;
  for (const XlsxZipMember& m : from.members) ASSERT_TRUE(Xlsx_zipCopy(&w, from, m, &why)) << why;
  ASSERT_TRUE(Xlsx_zipFinish(&w, &copied, &why)) << why;
  EXPECT_EQ(readWithLibzip(copied), kMembers);
  XlsxZip again;
  ASSERT_TRUE(Xlsx_zipOpen(copied, &again, &notZip, &why)) << why;
  for (size_t i = 0; i < from.members.size(); ++i) {
    EXPECT_EQ(again.members[i].method, from.members[i].method);
    EXPECT_EQ(copied.substr(again.members[i].dataOffset, again.members[i].packedSize),
              source.substr(from.members[i].dataOffset, from.members[i].packedSize));
  }
}

// The general-purpose flags of the local header and the directory entry of
// each member, in archive order.
std::vector<std::pair<std::uint16_t, std::uint16_t>> nameFlags(const std::string& bytes) {
  auto u16 = [&](size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  std::vector<std::pair<std::uint16_t, std::uint16_t>> flags;
  const size_t end = bytes.size() - 22;
  for (size_t entry = bytes.find(std::string("PK\x01\x02", 4)); entry < end;
       entry += 46 + u16(entry + 28) + u16(entry + 30) + u16(entry + 32)) {
    const size_t local = u16(entry + 42) | static_cast<size_t>(u16(entry + 44)) << 16;
    flags.emplace_back(u16(local + 6), u16(entry + 8));
  }
  return flags;
}

TEST(XlsxZip, CopiedMembersKeepTheirNameEncoding) {
  constexpr std::uint16_t kUtf8 = 0x0800;
  // A name in the old code page (0x82 is e acute there, and no UTF-8), beside
  // names libzip flags as UTF-8 and one of plain ASCII.
  std::string libzip = writeWithLibzip(kMembers, {ZIP_CM_DEFLATE, ZIP_CM_STORE, ZIP_CM_DEFLATE, ZIP_CM_DEFLATE});
  std::string source = storedZip({{"xl/media/imag\x82.bin", "old code page"}, {"plain.xml", "<a/>"}});
  for (const std::string& from : {libzip, source}) {
    XlsxZip zip;
    bool notZip = false;
    std::string why, copied;
    ASSERT_TRUE(Xlsx_zipOpen(from, &zip, &notZip, &why)) << why;
    XlsxZipWriter w;
    for (const XlsxZipMember& m : zip.members) ASSERT_TRUE(Xlsx_zipCopy(&w, zip, m, &why)) << why;
    ASSERT_TRUE(Xlsx_zipFinish(&w, &copied, &why)) << why;
    const auto before = nameFlags(from), after = nameFlags(copied);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(after[i].first & kUtf8, before[i].second & kUtf8) << zip.members[i].name;
      EXPECT_EQ(after[i].second & kUtf8, before[i].second & kUtf8) << zip.members[i].name;
    }
  }
  // libzip flags the name beyond ASCII; our own archive flags it too.
  EXPECT_EQ(nameFlags(libzip)[3].second & kUtf8, kUtf8);
  EXPECT_EQ(nameFlags(writeOurs(kMembers))[3].second & kUtf8, kUtf8);
  EXPECT_EQ(nameFlags(source)[0].second & kUtf8, 0);
}

TEST(XlsxZip, RefusesAMemberNamedTwice) {
  XlsxZip zip;
  bool notZip = true;
  std::string why;
  const std::string twice =
      storedZip({{"xl/worksheets/sheet1.xml", "<first/>"}, {"a.xml", ""}, {"xl/worksheets/sheet1.xml", "<last/>"}});
  EXPECT_FALSE(Xlsx_zipOpen(twice, &zip, &notZip, &why));
  EXPECT_FALSE(notZip);
  EXPECT_NE(why.find("member 'xl/worksheets/sheet1.xml' twice"), std::string::npos) << why;
}

// Gives the first directory entry a 64-bit extra field whose local header
// offset lies a few bytes below 2^64, where adding a header's size wraps.
void offsetNearTop(std::string* b, const XlsxZip&) {
  auto put = [&](size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) (*b)[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
  };
  size_t entry = b->find(std::string("PK\x01\x02", 4)), end = b->size() - 22;
  size_t nameLength = static_cast<unsigned char>((*b)[entry + 28]);
  put(entry + 30, 12, 2);           // extra field length
  put(entry + 42, 0xffffffffu, 4);  // local header offset: in the extra field
  std::string extra(12, '\0');
  b->insert(entry + 46 + nameLength, extra);
  put(entry + 46 + nameLength, 0x0001, 2);
  put(entry + 48 + nameLength, 8, 2);
  put(entry + 50 + nameLength, ~std::uint64_t{0} - 8, 8);
  end += 12;
  put(end + 12, end - entry, 4);  // the directory's size
}

// A damaged archive: the change made to good bytes, whether the directory
// still reads, and the words the failure must carry.
struct Damage {
  const char* what;
  void (*change)(std::string* bytes, const XlsxZip& good);
  bool opens;
  bool notZip;
  const char* words;
};

const Damage kDamages[] = {
    {"no archive", [](std::string* b, const XlsxZip&) { *b = "plain text, not an archive"; }, false, true, ""},
    {"cut short", [](std::string* b, const XlsxZip&) { b->resize(b->size() / 2); }, false, true, ""},
    {"a flipped data byte", [](std::string* b, const XlsxZip& z) { (*b)[z.members[0].dataOffset + 2] ^= 0x55; }, true,
     false, "damaged data"},
    {"a wrong stated size",
     [](std::string* b, const XlsxZip&) { (*b)[b->find(std::string("PK\x01\x02", 4)) + 24] ^= 0x01; }, true, false,
     "length differs"},
    {"a local header renamed",
     [](std::string* b, const XlsxZip& z) { (*b)[z.members[0].dataOffset - z.members[0].name.size()] = '#'; }, false,
     false, "names another member"},
    {"a local header moved",
     [](std::string* b, const XlsxZip& z) { (*b)[z.members[0].dataOffset - z.members[0].name.size() - 30] = 'X'; },
     false, false, "local header"},
    {"a 64-bit local header offset near the top of its range", offsetNearTop, false, false, "local header"},
};

TEST(XlsxZip, RefusesDamagedArchivesNamingTheFault) {
  const Members one = {{"xl/worksheets/sheet1.xml", sheetLike()}};
  const std::string good = writeOurs(one);
  XlsxZip ref;
  bool notZip = false;
  std::string why;
  ASSERT_TRUE(Xlsx_zipOpen(good, &ref, &notZip, &why)) << why;
  for (const Damage& d : kDamages) {
    std::string bytes = good;
    d.change(&bytes, ref);
    XlsxZip zip;
    why.clear();
    bool opened = Xlsx_zipOpen(bytes, &zip, &notZip, &why);
    std::string data;
    bool read = opened && Xlsx_zipRead(zip, zip.members[0], &data, &why);
    EXPECT_FALSE(read) << d.what;
    EXPECT_EQ(opened, d.opens) << d.what << ": " << why;
    if (!opened) {
      EXPECT_EQ(notZip, d.notZip) << d.what;
    }
    EXPECT_NE(why.find(d.words), std::string::npos) << d.what << ": " << why;
  }
}

}  // namespace
