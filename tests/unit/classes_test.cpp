// On the fake, what -c meets that Wine cannot make: memory running out, a read that fails,
// junctions, and a directory of more than 100,000 names.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../fake_platform.h"
#include "app/app.h"
#include "base/allocator.h"
#include "lists/registry.h"

namespace {

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

TEST(Classes, ADirectorySearchStopsOnMeetingName100001) {
  for (int files : {99999, 100000}) {  // and the directory p, one name more
    FakePlatform fake;
    fake.add("C:\\cls", 'd'), fake.add("C:\\cls\\p", 'd');
    for (int i = 0; i < files; ++i) fake.add("C:\\cls\\p\\C" + std::to_string(i) + ".class", 'f');
    std::string stop = files == 99999 ? "" : "*****C:\\cls: search stopped after 100000 files\r\n";
    EXPECT_EQ(
        run_c(fake, "C:\\cls"),
        HEAD +
            "Found Dir         C:\\cls\r\nTotal entries = 1\r\n"
            "Total length of CLASSPATH = 6\r\n\r\nClasses found more than once in CLASSPATH\r\n" +
            stop +
            "Total classes = 99999 in 0 archives and 1 directories, 0 found more than once, 0 of "
            "them different\r\n");
  }
}

}  // namespace
