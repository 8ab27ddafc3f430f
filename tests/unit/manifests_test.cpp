// On the fake, what a Wine case cannot show of the manifests: the limit of 10,000 elements
// opened through them, a manifest of 16,000,000 bytes, and memory running out among them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

#include "../fake_platform.h"
#include "app/app.h"
#include "base/allocator.h"
#include "lists/registry.h"

namespace {

std::string le(std::size_t value, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(value >> (8 * i));
  return s;
}

// Raw deflate data of `text`, as an archive holds a deflated member.
std::string deflated(const std::string& text) {
  z_stream z = {};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, text.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// An archive of one class and a manifest holding `text`, its size recorded as `size`; stored,
// or deflated (method 8) with `deflate`.
std::string jar(const std::string& text, std::size_t size, const std::string& name = "p/A.class",
                bool deflate = false) {
  const std::string man = "META-INF/MANIFEST.MF";
  std::string data = deflate ? deflated(text) : text;
  std::string method = deflate ? le(8, 2) : le(0, 2);
  std::string local = "PK\3\4" + std::string(4, '\0') + method + std::string(8, '\0') +
                      le(data.size(), 4) + le(size, 4) + le(man.size(), 2) + le(0, 2) + man + data;
  std::string dir = "PK\1\2" + std::string(6, '\0') + method + std::string(8, '\0') +
                    le(data.size(), 4) + le(size, 4) + le(man.size(), 2) + std::string(16, '\0') +
                    man;
  dir += "PK\1\2" + std::string(24, '\0') + le(name.size(), 2) + std::string(16, '\0') + name;
  return local + dir + "PK\5\6" + std::string(8, '\0') + le(dir.size(), 4) + le(local.size(), 4) +
         le(0, 2);
}

std::string run_c(FakePlatform& fake, const std::string& classpath) {
  fake.env["CLASSPATH"] = classpath;
  platform_install(&fake);
  const char* argv[] = {"cpvalid", "-c"};
  EXPECT_EQ(run_cpvalid(2, argv), 0);
  EXPECT_TRUE(fake.open_files == 0 && registry_first() == nullptr);
  std::string out = fake.out;
  return out.substr(out.find("Total length"));
}

TEST(Manifests, TenThousandElementsThroughManifestsThenNoMore) {
  FakePlatform fake;
  for (int i = 0; i <= 10002; ++i) {
    std::string next = "Class-Path: j" + std::to_string(i + 1) + ".jar\r\n";
    fake.add("C:\\j" + std::to_string(i) + ".jar", 'f',
             jar(next, next.size(), "p/A" + std::to_string(i) + ".class"));
  }
  std::string out = run_c(fake, "C:\\j0.jar;C:\\j10002.jar");
  EXPECT_EQ(out.substr(out.find("C:\\j10000.jar names")),
            "C:\\j10000.jar names\r\nFound File        C:\\j10001.jar\r\n"
            "*****Class-Path entries stopped after 10000 elements\r\n"
            "Total entries = 10001 in 10001 manifests (0 not found 0 duplicates 0 skipped)\r\n\r\n"
            "Classes found more than once in CLASSPATH\r\nTotal classes = 10002 in 10002 archives "
            "and 0 directories, 0 found more than once, 0 of them different\r\n");
}

TEST(Manifests, JavaReadsOneOf16000000BytesNotMore) {
  std::string text = "Class-Path: b.jar\r\nX-Pad: a\r\n";
  while (16000000 - text.size() > 500) text += " " + std::string(497, 'a') + "\r\n";
  text += " " + std::string(16000000 - text.size() - 3, 'a') + "\r\n";
  for (std::size_t size : {text.size(), text.size() + 1}) {
    FakePlatform fake;
    fake.add("C:\\a.jar", 'f', jar(text, size)),
        fake.add("C:\\b.jar", 'f', jar("", 0, "p/B.class"));
    std::string out = run_c(fake, "C:\\a.jar");
    EXPECT_EQ(
        out.substr(out.find("Class-Path"), out.find("\r\n\r\nClasses") - out.find("Class-Path")),
        size == 16000000 ? "Class-Path entries in manifests\r\nC:\\a.jar names\r\n"
                           "Found File        C:\\b.jar\r\nTotal entries = 1 in 1 manifest "
                           "(0 not found 0 duplicates 0 skipped)"
                         : "Class-Path entries in manifests\r\n***ERROR*** - Java leaves out "
                           "C:\\a.jar: it cannot read its manifest\r\nTotal entries = 0 in 0 "
                           "manifests (0 not found 0 duplicates 0 skipped), 1 archive left out")
        << size;
  }
}

// Bytes in front of the archive move its manifest as they move its directory.
TEST(Manifests, AStubInFrontMovesTheManifestToo) {
  FakePlatform fake;
  fake.add("C:\\a.jar", 'f', "#!/bin/sh\n" + jar("Class-Path: b.jar\r\n", 19));
  std::string out = run_c(fake, "C:\\a.jar");
  EXPECT_EQ(out.substr(out.find("C:\\a.jar names")),
            "C:\\a.jar names\r\n*Not found*       C:\\b.jar\r\n"
            "Total entries = 1 in 1 manifest (1 not found 0 duplicates 0 skipped)\r\n\r\n"
            "Classes found more than once in CLASSPATH\r\nTotal classes = 1 in 1 archives and 0 "
            "directories, 0 found more than once, 0 of them different\r\n");
}

std::size_t outstanding = 0, grants_left = 0;
const Allocator limited = {
    [](std::size_t n) -> void* {
      return grants_left == 0 ? nullptr : (--grants_left, ++outstanding, std::malloc(n));
    },
    [](void* block) { --outstanding, std::free(block); }};

// Wherever memory runs out among the manifests, stored or deflated, every block comes back,
// and the report is whole or says where the search stopped.
TEST(Manifests, MemoryRunningOutStopsTheSearchAndKeepsNothing) {
  auto run_with = [](std::size_t grants) {
    FakePlatform fake;
    std::string a = "Class-Path: b.jar gone.jar c/ http://h/x.jar\r\nX: 1\r\nx: 2\r\n";
    fake.add("C:\\a.jar", 'f', jar(a, a.size())), fake.add("C:\\c\\q\\C.class", 'f');
    fake.add("C:\\c", 'd'), fake.add("C:\\c\\q", 'd');
    // Deflated: the compressed bytes read for it must come back too.
    fake.add("C:\\b.jar", 'f', jar("Class-Path: a.jar c/\r\n", 22, "p/B.class", true));
    fake.add("C:\\d.jar", 'f', jar("", 0, "p/B.class"));
    grants_left = grants;
    mem_allocator = &limited;
    std::string out = run_c(fake, "C:\\a.jar;C:\\d.jar");
    mem_allocator = &heap_allocator;
    return out;
  };
  const std::string whole = run_with(1000);
  EXPECT_NE(whole.find("C:\\d.jar hides\r\n    1 class of C:\\b.jar"), whole.npos) << whole;
  for (std::size_t grants = 0; grants < 80; ++grants) {
    std::string out = run_with(grants);
    EXPECT_TRUE(out == whole || out.find("*****Out of memory: the search stopped at ") != out.npos)
        << grants << out;
    EXPECT_EQ(outstanding, 0u) << grants;
  }
}

}  // namespace
