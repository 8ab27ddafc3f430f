// The entries seen so far in the list being walked, upper-cased, in order of
// first occurrence. Lives for one walk: reset at its start, released at its
// end, so a list never sees another list's entries. Between walks it may
// serve as a set of other texts compared the same way.
#pragma once

struct RegistryNode {
  RegistryNode* next;
  char* text;  // the registry's own upper-cased copy
  // The index beside the list: nodes whose texts share a bucket.
  RegistryNode* bucket_next;
  unsigned hash;
};

// Buckets of the index: a list holds at most about 16,000 entries, since an
// environment value holds at most 32,767 characters.
constexpr unsigned REGISTRY_BUCKETS = 8192;

struct DuplicateRegistry {
  RegistryNode* head;
  RegistryNode* tail;
  RegistryNode* buckets[REGISTRY_BUCKETS];
};

// Empties the registry without releasing anything.
void registry_reset();
// 1 when the upper-cased entry was already registered, 0 when it is new and
// has been added (unless `add` is false). When memory cannot be had the entry
// is answered as new and is not kept.
int registry_add(const char* entry, bool add = true);
// Releases every node and its text; the registry is empty afterwards.
void registry_release();

// First node, for tests and invariant checks.
const RegistryNode* registry_first();
