// On the fake, what -c meets that Wine cannot make: memory running out, a read that fails,
// junctions, and a directory of more than 100,000 names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "../class_writer.h"
#include "../fake_platform.h"
#include "app/app.h"
#include "base/allocator.h"
#include "lists/registry.h"

namespace {

using namespace std::string_literals;  // bytes with zeros among them

const std::string HEAD =
    "\r\nClasspath validation tool V1.05 (ZP17)\r\nCopyright (c) 2026 The cpvalid authors\r\n"
    "Validating CLASSPATH\r\n";

std::string run_c(FakePlatform& fake, const std::string& classpath) {
  fake.env["CLASSPATH"] = classpath;
  fake.add("C:\\start", 'd');
  fake.cwd = "C:\\start";
  platform_install(&fake);
  const char* argv[] = {"cpvalid", "-c"};
  EXPECT_EQ(run_cpvalid(2, argv), 0);
  EXPECT_TRUE(fake.open_files == 0 && registry_first() == nullptr && fake.cwd == "C:\\start");
  return fake.out;
}

std::size_t outstanding = 0, granted = 0, grants_left = 0, largest = 0;
const Allocator limited = {[](std::size_t n) -> void* {
                             if (grants_left == 0 || n > largest) return nullptr;
                             return --grants_left, ++outstanding, std::malloc(n);
                           },
                           [](void* block) { --outstanding, std::free(block); }};

TEST(Classes, OutOfMemoryStopsTheSearchAndKeepsWhatWasRead) {
  FakePlatform fake;
  fake.add("C:\\a.jar", 'f', zip_of({"p/A.class"}));
  fake.add("C:\\b.jar", 'f', zip_of({"p/A.class", "p/B.class"}));
  fake.add("C:\\big.jar", 'f', zip_of({std::string(4096, 'x') + ".class"}));
  // Blocks over 4 KiB are refused: the first chunk of names fits, the big archive does not.
  grants_left = 1000, largest = 4096;
  mem_allocator = &limited;
  std::string out = run_c(fake, "C:\\a.jar;C:\\b.jar;C:\\big.jar;C:\\a.jar");
  EXPECT_EQ(out, HEAD +
                     "Found File        C:\\a.jar\r\nFound File        C:\\b.jar\r\n"
                     "Found File        C:\\big.jar\r\nFound File  *DUP* C:\\a.jar\r\n"
                     "Total entries = 4 (0 not found 1 duplicates)\r\n"
                     "Total length of CLASSPATH = 37\r\n\r\n"
                     "Read as Java 25 reads it: no java found through PATH\r\n\r\n"
                     "Classes found more than once in CLASSPATH\r\n"
                     "*****Out of memory: the search stopped at C:\\big.jar\r\n"
                     "C:\\a.jar hides\r\n    1 class of C:\\b.jar, identical\r\n"
                     "Total classes = 2 in 3 archives and 0 directories, 1 found more than once, 0 "
                     "of them different\r\n");
  // Wherever memory runs out, every block comes back, and the report is whole or says where
  // the search stopped. (No path comes twice: a registry without memory takes each as new.)
  auto run_with = [](std::size_t grants) {
    FakePlatform fake;
    fake.add("C:\\a.jar", 'f', zip_of({"p/A.class"})), fake.add("C:\\d\\q\\C.class", 'f');
    fake.add("C:\\w\\b.jar", 'f', zip_of({"p/A.class", "q/C.class"}));
    grants_left = grants, largest = SIZE_MAX;
    return run_c(fake, "C:\\a.jar;C:\\d;C:\\w\\*");
  };
  const std::string whole = run_with(1000);
  for (std::size_t grants = 0; grants < 40; ++grants) {
    out = run_with(grants);
    EXPECT_TRUE(out == whole || out.find("*****Out of memory: the search stopped at ") != out.npos)
        << grants << out;
    EXPECT_EQ(outstanding, 0u) << grants;
  }
  mem_allocator = &heap_allocator;
}

TEST(Classes, AFailedReadRefusesJunctionsBelowAreNotFollowed) {
  FakePlatform fake;
  fake.add("C:\\bad.jar", 'E', zip_of({"p/A.class"}));
  fake.add("C:\\link", 'r'), fake.add("C:\\link\\A.class", 'f');  // searched: it is the element
  fake.add("C:\\link\\loop", 'r'), fake.add("C:\\link\\loop\\B.class", 'f');
  EXPECT_EQ(run_c(fake, "C:\\bad.jar;C:\\link"),
            HEAD +
                "Found File        C:\\bad.jar\r\nFound Dir         C:\\link\r\n"
                "Total entries = 2\r\nTotal length of CLASSPATH = 18\r\n\r\n"
                "Read as Java 25 reads it: no java found through PATH\r\n\r\n"
                "Classes found more than once in CLASSPATH\r\n"
                "*****C:\\bad.jar is not a jar or zip archive\r\n"
                "Total classes = 1 in 0 archives and 1 directories, 0 found more than once, 0 of "
                "them different\r\n");
}

TEST(Classes, WhatJavaWouldNotOpenIsRefusedAStubAndPaddingAreReadThrough) {
  const std::string zip = zip_of({"p/A.class"});  // a local header, one record, the end record
  std::string past = zip, left = zip, locked = zip, bzip2 = zip, far = zip;
  past.back() = 1;                          // a comment of one byte that is not there
  left.insert(zip.size() - 22, 1, '\0');    // a byte in the directory that no record fills
  left[left.size() - 10] += 1;              // (the directory's size counts it)
  locked[30 + 8] = 1, bzip2[30 + 10] = 12;  // the record is encrypted; compressed by bzip2
  far[far.size() - 6] += 1;                 // the directory said to begin after it does
  FakePlatform fake;
  const char* const names[] = {"past", "left", "locked", "bzip2", "far", "dev", "ok"};
  const std::string bytes[] = {past, left, locked, bzip2, far, zip, "#!/bin/sh\n" + zip + "\n"};
  for (int i = 0; i < 7; ++i)
    fake.add("C:\\" + std::string(names[i]), i == 5 ? 'c' : 'f', bytes[i]);
  EXPECT_EQ(
      run_c(fake, "C:\\past;C:\\left;C:\\locked;C:\\bzip2;C:\\far;C:\\dev;C:\\ok"),
      HEAD +
          "Found File        C:\\past\r\nFound File        C:\\left\r\n"
          "Found File        C:\\locked\r\nFound File        C:\\bzip2\r\n"
          "Found File        C:\\far\r\nFound File        C:\\dev\r\n"
          "Found File        C:\\ok\r\nTotal entries = 7\r\nTotal length of CLASSPATH = 54\r\n\r\n"
          "Read as Java 25 reads it: no java found through PATH\r\n\r\n"
          "Classes found more than once in CLASSPATH\r\n"
          "*****C:\\past is not a jar or zip archive\r\n"
          "*****C:\\left is not a jar or zip archive\r\n"
          "*****C:\\locked is not a jar or zip archive\r\n"
          "*****C:\\bzip2 is not a jar or zip archive\r\n"
          "*****C:\\far is not a jar or zip archive\r\n"
          "*****C:\\dev is not a jar or zip archive\r\n"
          "Total classes = 1 in 1 archives and 0 directories, 0 found more than once, 0 of them "
          "different\r\n");
}

// A search stopped there adds no class, even when every class it met came before.
TEST(Classes, ADirectorySearchStopsOnMeetingName100001) {
  std::vector<std::string> names;
  for (int i = 0; i < 100000; ++i) names.push_back("p/C" + std::to_string(i) + ".class");
  for (int files : {99999, 100000}) {  // and the directory p, one name more
    FakePlatform fake;
    fake.add("C:\\all.jar", 'f', zip_of(names)), fake.add("C:\\cls", 'd'),
        fake.add("C:\\cls\\p", 'd');
    for (int i = 0; i < files; ++i) fake.add("C:\\cls\\" + names[i], 'f');
    std::string out = run_c(fake, "C:\\all.jar;C:\\cls");
    EXPECT_EQ(out.substr(out.find("Classes found")),
              "Classes found more than once in CLASSPATH\r\n" +
                  std::string(
                      files == 99999 ? "" : "*****C:\\cls: search stopped after 100000 files\r\n") +
                  "C:\\all.jar hides\r\n    99999 classes of C:\\cls, all identical\r\n" +
                  (files == 99999 ? "C:\\cls adds no class\r\n" : "") +
                  "Total classes = 100000 in 1 archives and 1 directories, 99999 found more than "
                  "once, 0 of them different\r\n");
  }
}

std::string le(std::uint64_t value, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(value >> (8 * i));
  return s;
}

// An archive whose records give each name's copy: its CRC-32, its size and an extra field.
struct Entry {
  std::string name;
  std::uint32_t crc, size;
  std::string extra;
};
std::string zip_copies(const std::vector<Entry>& entries) {
  std::vector<std::string> names;
  for (const Entry& e : entries) names.push_back(e.name);
  std::string zip = zip_of(names);
  std::size_t at = 30;  // after the local header
  for (const Entry& e : entries) {
    zip.replace(at + 16, 4, le(e.crc, 4)), zip.replace(at + 24, 4, le(e.size, 4));
    zip.replace(at + 30, 2, le(e.extra.size(), 2));
    zip.insert(at += 46 + e.name.size(), e.extra);
    at += e.extra.size();
  }
  return zip.replace(zip.size() - 10, 4, le(at - 30, 4));  // the directory's size
}

TEST(Classes, ACopyIsLikeTheLoadedOneWhenItsSizeAndCrcAre) {
  const std::uint32_t ONE = 0x7a6c86f1, TWO = 0x11ca8a66, MAX = 0xFFFFFFFF;  // "one", "two"
  const std::string zip64 = "\1\0\10\0"s + le(3, 8);  // ZIP64 block: the size is 3
  FakePlatform fake;
  for (const char* dir : {"C:\\d", "C:\\d\\p", "C:\\d2", "C:\\d2\\p"}) fake.add(dir, 'd');
  fake.add("C:\\first", 'f',
           zip_copies({{"p/A.class", ONE, MAX, zip64}, {"p/Z.class", 1, MAX, ""}}));
  fake.add("C:\\j1", 'f', zip_copies({{"p/A.class", ONE, 3, ""}}));
  // Other blocks, and a ZIP64 block too short for a size, come before the one that gives it.
  fake.add("C:\\j2", 'f',
           zip_copies({{"p/A.class", ONE, MAX, "\11\0\4\0abcd\1\0\4\0"s + le(3, 4) + zip64}}));
  fake.add("C:\\j3", 'f',
           zip_copies({{"p/A.class", ONE, MAX, "\1\0\20\0"s + le(3, 8)}}));  // overruns
  // A later block overruns: its bounds count from where it begins, not from the field's start.
  fake.add("C:\\j3b", 'f',
           zip_copies({{"p/A.class", ONE, MAX, "\11\0\4\0abcd\1\0\20\0"s + le(3, 8)}}));
  fake.add("C:\\j4", 'f', zip_copies({{"p/A.class", ONE, MAX, "\1\0\10\0"s + le(0x100000003, 8)}}));
  fake.add("C:\\j5", 'f',
           zip_copies({{"p/A.class", ONE, 4, zip64}}));  // the size is not 0xFFFFFFFF
  fake.add("C:\\j6", 'f', zip_copies({{"p/Z.class", 1, MAX, ""}, {"p/A.class", ONE + 1, 3, ""}}));
  fake.add("C:\\d\\p\\A.class", 'f', "one"), fake.add("C:\\d\\p\\D.class", 'f', "two");
  fake.add("C:\\d\\p\\E.class", 'E'), fake.add("C:\\d\\p\\Q.class", '?');  // read fails; no disk
  fake.add("C:\\d\\p\\N.class", 'f', "new");
  fake.add(
      "C:\\j7", 'f',
      zip_copies({{"p/E.class", 0, 0, ""}, {"p/Q.class", 0, 0, ""}, {"p/D.class", TWO, 3, ""}}));
  fake.add("C:\\d2\\p\\A.class", 'f', "one"), fake.add("C:\\d2\\p\\D.class", 'f', "two");
  std::string out = run_c(
      fake, "C:\\first;C:\\j1;C:\\j2;C:\\j3;C:\\j3b;C:\\j4;C:\\j5;C:\\j6;C:\\d;C:\\j7;C:\\d2");
  EXPECT_EQ(out.substr(out.find("Classes found")),
            "Classes found more than once in CLASSPATH\r\nC:\\first hides\r\n"
            "    1 class of C:\\j1, identical\r\n    1 class of C:\\j2, identical\r\n"
            "    1 class of C:\\j3, 1 different, first p/A.class\r\n"
            "    1 class of C:\\j3b, 1 different, first p/A.class\r\n"
            "    1 class of C:\\j4, 1 different, first p/A.class\r\n"
            "    1 class of C:\\j5, 1 different, first p/A.class\r\n"
            "    2 classes of C:\\j6, 2 different, first p/A.class\r\n"
            "    1 class of C:\\d, identical\r\n    1 class of C:\\d2, identical\r\nC:\\d hides\r\n"
            "    3 classes of C:\\j7, 2 different, first p/E.class\r\n"
            "    1 class of C:\\d2, identical\r\nC:\\j1 adds no class\r\nC:\\j2 adds no class\r\n"
            "C:\\j3 adds no class\r\nC:\\j3b adds no class\r\nC:\\j4 adds no class\r\n"
            "C:\\j5 adds no class\r\nC:\\j6 adds no class\r\nC:\\j7 adds no class\r\n"
            "C:\\d2 adds no class\r\n"
            "Total classes = 6 in 9 archives and 2 directories, 5 found more than once, 4 of "
            "them different\r\n");
  // A directory's file is read to its end when a second element holds its name, and then
  // once; the copy that loads is opened once more for its version.
  EXPECT_EQ(std::count(fake.opened.begin(), fake.opened.end(), "C:\\D\\P\\D.CLASS"), 2);
  EXPECT_EQ(std::count(fake.opened.begin(), fake.opened.end(), "C:\\D2\\P\\D.CLASS"), 1);
  EXPECT_EQ(std::count(fake.opened.begin(), fake.opened.end(), "C:\\D\\P\\N.CLASS"), 1);
}

// Where the end record is: the last one, unless bytes follow it and its directory is not there.
TEST(Classes, TheEndRecordIsTheLastWhoseDirectoryIsWhereItSays) {
  const std::string zip = zip_of({"o/O.class"}), end64_at = le(zip.size() - 22, 8);
  std::string fat = zip, comment = zip, far = zip, farther;
  fat.insert(30, zip_of({"in/I.class"}));  // a stored jar, with its own end record
  fat.replace(fat.size() - 6, 4, le(30 + zip_of({"in/I.class"}).size(), 4));
  comment[comment.size() - 2] = 23;  // an end record in the comment, a byte before its end
  comment += "PK\5\6" + std::string(18, '\0') + "x";
  std::string z64 = zip, z64_bad = zip;
  for (std::string* z : {&z64, &z64_bad}) {
    std::string total = le(z == &z64 ? 0 : 1, 8);  // as the plain record says, or not
    z->insert(z->size() - 22, "PK\6\6" + std::string(28, '\0') + total + le(55, 8) + le(30, 8) +
                                  "PK\6\7" + std::string(4, '\0') + end64_at + le(1, 4));
  }
  // The plain record's directory size, then its offset, unlike what the ZIP64 record says.
  std::string z64_size = z64, z64_offset = z64;
  z64_size[z64.size() - 10] -= 1, z64_offset[z64.size() - 6] += 1;
  far.replace(far.size() - 2, 2, "\377\377");  // the longest comment, and bytes after it
  farther = far += std::string(65535, 'c') + std::string(79, 't');
  farther += 't';
  FakePlatform fake;
  const char* const names[] = {"o",        "fat",        "comment", "z64",    "z64_bad",
                               "z64_size", "z64_offset", "far",     "farther"};
  const std::string bytes[] = {zip, fat, comment, z64, z64_bad, z64_size, z64_offset, far, farther};
  std::string classpath;
  for (int i = 0; i < 9; ++i) {
    fake.add("C:\\" + std::string(names[i]), 'f', bytes[i]);
    classpath += (i == 0 ? "C:\\" : ";C:\\") + std::string(names[i]);
  }
  std::string out = run_c(fake, classpath);
  EXPECT_EQ(out.substr(out.find("Classes found")),
            "Classes found more than once in CLASSPATH\r\n"
            "*****C:\\z64_bad is not a jar or zip archive\r\n"
            "*****C:\\z64_size is not a jar or zip archive\r\n"
            "*****C:\\z64_offset is not a jar or zip archive\r\n"
            "*****C:\\farther is not a jar or zip archive\r\nC:\\o hides\r\n"
            "    1 class of C:\\fat, identical\r\n    1 class of C:\\comment, identical\r\n"
            "    1 class of C:\\z64, identical\r\n    1 class of C:\\far, identical\r\n"
            "C:\\fat adds no class\r\nC:\\comment adds no class\r\nC:\\z64 adds no class\r\n"
            "C:\\far adds no class\r\nTotal classes = 1 in 5 archives and 0 directories, 1 found "
            "more than once, 0 of them different\r\n");
}

// A class file in a directory that is a device, or whose read fails, gives no version; memory
// running out while the version lines are made leaves them all out, never some.
TEST(Classes, VersionsFromDevicesFailedReadsAndWithoutMemory) {
  auto run_with = [](std::size_t grants) {
    FakePlatform fake;
    for (auto dir : {"C:\\d", "C:\\e", "C:\\d\\p"}) fake.add(dir, 'd');
    fake.add("C:\\d\\p\\A.class", 'f', class_bytes({"p/a"}));  // 52, its name in another case
    fake.add("C:\\d\\p\\Dev.class", 'c', "\xCA\xFE\xBA\xBE\0\0\0\x3D"s);
    fake.add("C:\\d\\p\\Bad.class", 'E', "\xCA\xFE\xBA\xBE\0\0\0\x3D"s);
    ClassSpec b = {"B"};
    b.major = 55;
    fake.add("C:\\e\\B.class", 'f', class_bytes(b));
    grants_left = grants, largest = SIZE_MAX;
    return run_c(fake, "C:\\d;C:\\e");
  };
  mem_allocator = &limited;
  const std::string whole = run_with(1000),
                    lines =
                        "Classes for Java 11 (class file version 55) in 1 element, first C:\\e\r\n"
                        "Classes for Java 8 (class file version 52) in 1 element, first C:\\d\r\n";
  EXPECT_NE(whole.find("Total length of CLASSPATH = 9\r\n\r\n"
                       "Read as Java 25 reads it: no java found through PATH\r\n\r\n"
                       "Classes found more than once in "
                       "CLASSPATH\r\n" +
                       lines + "Total classes = 4 in 0 archives and 2 "),
            whole.npos);
  std::string bare = whole;
  bare.erase(bare.find(lines), lines.size());
  for (std::size_t grants = 0; grants < 30; ++grants) {
    std::string out = run_with(grants);
    EXPECT_TRUE(out == whole || out == bare || out.find("*****Out of memory: ") != out.npos)
        << grants << out;
    EXPECT_EQ(outstanding, 0u) << grants;
  }
  EXPECT_EQ(run_with(1000), whole);  // nothing kept from a run into the next
  mem_allocator = &heap_allocator;
}

}  // namespace
