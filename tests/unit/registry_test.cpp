// The duplicate registry: what counts as the same entry, its order, its
// memory, and what happens when memory runs out.
#include "lists/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "run_helpers.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { registry_reset(); }
  void TearDown() override {
    registry_release();
    registry_set_allocator(nullptr);
  }
};

std::vector<std::string> registered() {
  std::vector<std::string> texts;
  for (const RegistryNode* n = registry_first(); n != nullptr; n = n->next)
    texts.push_back(n->text);
  return texts;
}

TEST_F(Registry, OnlyAsciiLettersFold) {
  EXPECT_EQ(registry_add("c:\\Lib\\x.jar"), 0);
  EXPECT_EQ(registry_add("C:\\LIB\\X.JAR"), 1);
  EXPECT_EQ(registry_add("c:\\lib\\x.jar"), 1);
  // Bytes from 0x80 up are left alone: a CP1252 e-acute and E-acute differ.
  EXPECT_EQ(registry_add("C:\\caf\xe9"), 0);
  EXPECT_EQ(registry_add("C:\\CAF\xc9"), 0);
  EXPECT_EQ(registry_add("c:\\caf\xe9"), 1);
  // '[' and '{' sit next to the letters but are not letters.
  EXPECT_EQ(registry_add("a[@`{"), 0);
  EXPECT_EQ(registry_add("A{@`["), 0);
  EXPECT_EQ(registered(), (std::vector<std::string>{"C:\\LIB\\X.JAR", "C:\\CAF\xe9", "C:\\CAF\xc9",
                                                    "A[@`{", "A{@`["}));
}

TEST_F(Registry, NothingElseIsNormalised) {
  const char* variants[] = {"C:\\lib",  "C:\\lib\\",  "C:/lib",           " C:\\lib",
                            "C:\\lib ", "C:\\lib\\.", "C:\\LIB\\..\\lib", "C:\\lib\\\\"};
  for (const char* v : variants) EXPECT_EQ(registry_add(v), 0) << v;
  EXPECT_EQ(registry_add("C:\\li"), 0);  // a prefix is not equal
  EXPECT_EQ(registry_add("C:\\lib2"), 0);
  EXPECT_EQ(registered().size(), 10u);
}

TEST_F(Registry, KeepsFirstOccurrenceOrderAndReleasesEverything) {
  EXPECT_EQ(registry_add("b"), 0);
  EXPECT_EQ(registry_add("a"), 0);
  EXPECT_EQ(registry_add("B"), 1);
  EXPECT_EQ(registry_add("c"), 0);
  EXPECT_EQ(registered(), (std::vector<std::string>{"B", "A", "C"}));
  registry_release();
  EXPECT_EQ(registry_first(), nullptr);
  EXPECT_EQ(registry_add("a"), 0);  // a released registry forgets
}

// Counts live blocks and can refuse from the Nth request on.
int live_blocks = 0;
int requests = 0;
int fail_from = -1;
void* counting_take(std::size_t bytes) {
  if (fail_from >= 0 && requests++ >= fail_from) return nullptr;
  ++live_blocks;
  return std::malloc(bytes);
}
void counting_give(void* block) {
  --live_blocks;
  std::free(block);
}
const RegistryAllocator counting = {counting_take, counting_give};

TEST_F(Registry, ThousandsOfEntriesLeaveNoMemoryBehind) {
  live_blocks = 0;
  fail_from = -1;
  registry_set_allocator(&counting);
  // More distinct entries than the index has buckets, so buckets are shared;
  // each comes back in another case as a duplicate.
  const int distinct = 20000;
  for (int i = 0; i < distinct; ++i) {
    std::string e = "c:\\dir\\x" + std::to_string(i);
    ASSERT_EQ(registry_add(e.c_str()), 0) << e;
  }
  for (int i = distinct - 1; i >= 0; --i) {
    std::string e = "C:\\DIR\\X" + std::to_string(i);
    ASSERT_EQ(registry_add(e.c_str()), 1) << e;
  }
  EXPECT_EQ(registry_add("C:\\DIR\\X"), 0);
  EXPECT_EQ(live_blocks, 2 * (distinct + 1));  // a node and a text for each distinct entry
  int n = 0;
  for (const RegistryNode* node = registry_first(); node != nullptr; node = node->next, ++n) {
    if (n < distinct) ASSERT_EQ(node->text, "C:\\DIR\\X" + std::to_string(n));
  }
  EXPECT_EQ(n, distinct + 1);
  registry_release();
  EXPECT_EQ(live_blocks, 0);
  // A fresh walk finds none of them.
  registry_reset();
  EXPECT_EQ(registry_add("c:\\dir\\x7"), 0);
}

TEST_F(Registry, OutOfMemoryAnswersNewKeepsNothingAndStillFindsDuplicates) {
  live_blocks = 0;
  requests = 0;
  fail_from = 2;  // room for exactly one entry
  registry_set_allocator(&counting);
  EXPECT_EQ(registry_add("one"), 0);
  EXPECT_EQ(registry_add("two"), 0);  // no memory: answered as new...
  EXPECT_EQ(registry_add("two"), 0);  // ...and not kept
  EXPECT_EQ(registry_add("ONE"), 1);  // what is kept still matches
  EXPECT_EQ(registered(), std::vector<std::string>{"ONE"});
  registry_release();
  EXPECT_EQ(live_blocks, 0);

  // The text copy granted, the node refused: the copy is given back.
  requests = 0;
  fail_from = 1;
  EXPECT_EQ(registry_add("x"), 0);
  EXPECT_EQ(live_blocks, 0);
  EXPECT_EQ(registry_first(), nullptr);
}

TEST_F(Registry, OutOfMemoryInAWholeRunPrintsNothingExtra) {
  live_blocks = 0;
  requests = 0;
  fail_from = 0;
  registry_set_allocator(&counting);
  FakePlatform fake;
  fake.set_env("CLASSPATH", "a;A;a");
  std::string out = run_tool(fake);
  EXPECT_EQ(out,
            BANNER + "Validating CLASSPATH\n" + entry_line(MISSING_LABEL, false, "a") +
                entry_line(MISSING_LABEL, false, "A") + entry_line(MISSING_LABEL, false, "a") +
                "Total entries = 3 (3 not found 0 duplicates)\nTotal length of CLASSPATH = 5\n");
  EXPECT_EQ(live_blocks, 0);
}

}  // namespace
