// The duplicate registry against an ordered set of ASCII-upper-cased texts.
// The input is a script of adds (new texts, case variants of earlier ones,
// long runs), adds under memory exhaustion, releases and resets. After every
// step the registry must give the model's answer and hold the model's texts
// in first-occurrence order; every block it took must be given back once
// the script is released.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "lists/registry.h"

namespace {

void fail(const char* what) {
  std::fprintf(stderr, "fuzz_registry: %s\n", what);
  std::abort();
}

// Counts the blocks the registry holds. While `refusals` is non-zero, the
// takes of one add are refused by its bits: bit 0 for the first take, bit 1
// for the second, and every take after the second.
long outstanding = 0;
unsigned refusals = 0;
unsigned takes = 0;
unsigned refused = 0;

void* counting_take(std::size_t bytes) {
  if (refusals != 0) {
    const unsigned n = takes++;
    if (n >= 2 || ((refusals >> n) & 1) != 0) {
      ++refused;
      return nullptr;
    }
  }
  void* block = std::malloc(bytes);
  if (block != nullptr) ++outstanding;
  return block;
}

void counting_give(void* block) {
  if (block == nullptr) return;
  --outstanding;
  std::free(block);
}

const RegistryAllocator counting = {counting_take, counting_give};

std::string fold(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

struct Model {
  std::set<std::string> seen;
  std::vector<std::string> order;

  int add(const std::string& entry, bool memory_available) {
    const std::string key = fold(entry);
    if (seen.count(key) != 0) return 1;
    if (memory_available) {
      seen.insert(key);
      order.push_back(key);
    }
    return 0;
  }
  void clear() {
    seen.clear();
    order.clear();
  }
};

void check_order(const Model& model) {
  std::size_t i = 0;
  for (const RegistryNode* node = registry_first(); node != nullptr; node = node->next, ++i) {
    if (i >= model.order.size()) fail("the registry holds more texts than were new");
    if (model.order[i] != node->text) fail("a registered text or its place differs from the model");
  }
  if (i != model.order.size()) fail("the registry holds fewer texts than were new");
}

// Flips the case of every letter whose bit in `pattern` is set: a-z against
// A-Z, which must still meet, and the Latin-1 letters 0xC0-0xDE against
// 0xE0-0xFE, which must not.
std::string case_variant(const std::string& text, std::uint64_t pattern) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (((pattern >> (i % 64)) & 1) == 0) continue;
    unsigned char c = static_cast<unsigned char>(out[i]);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      out[i] = static_cast<char>(c ^ 0x20);
    } else if (c >= 0xC0 && c <= 0xFE && c != 0xD7 && c != 0xDF && c != 0xF7) {
      out[i] = static_cast<char>(c ^ 0x20);
    }
  }
  return out;
}

std::string without_nul(std::string text) {
  for (char& c : text) {
    if (c == '\0') c = '\x01';
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  registry_set_allocator(&counting);
  Model model;
  std::vector<std::string> history;

  while (in.remaining_bytes() > 0) {
    std::string entry;
    takes = 0;
    refused = 0;
    switch (in.ConsumeIntegralInRange(0, 7)) {
      case 0:
      case 1:
      case 2:
        entry = without_nul(in.ConsumeRandomLengthString(300));
        break;
      case 3:
        if (history.empty()) continue;
        entry = case_variant(history[in.ConsumeIntegralInRange<std::size_t>(0, history.size() - 1)],
                             in.ConsumeIntegral<std::uint64_t>());
        break;
      case 4:
        entry = history.empty() ? without_nul(in.ConsumeRandomLengthString(40))
                                : case_variant(history.back(), in.ConsumeIntegral<std::uint8_t>());
        refusals = in.ConsumeIntegralInRange(1u, 3u);
        break;
      case 5:
        registry_release();
        model.clear();
        if (registry_first() != nullptr) fail("release left a node");
        if (outstanding != 0) fail("release left blocks taken");
        continue;
      case 6:
        // A walk resets the registry it has just released.
        if (!model.order.empty()) continue;
        registry_reset();
        check_order(model);
        continue;
      case 7:
        entry = std::string(in.ConsumeIntegralInRange<std::size_t>(1, 4200),
                            static_cast<char>(in.ConsumeIntegralInRange(1, 255)));
        break;
    }
    // The walk never hands over an empty entry.
    if (entry.empty()) {
      refusals = 0;
      continue;
    }
    const int got = registry_add(entry.c_str());
    // Memory counts as had unless a take was actually refused.
    const int want = model.add(entry, refused == 0);
    refusals = 0;
    if (got != want)
      fail(want == 1 ? "a repeat was answered as new" : "a new text was answered as a repeat");
    history.push_back(entry);
    check_order(model);
  }

  registry_release();
  if (registry_first() != nullptr) fail("release left a node");
  if (outstanding != 0) fail("release left blocks taken");
  registry_set_allocator(nullptr);
  return 0;
}
