// The class file parser: every read is checked against the bytes left, and
// each byte is read at most a few times, so a hostile file costs its size.
#include "loading/class_file.h"

#include <cstring>

#include "base/allocator.h"

namespace {

enum Tag {
  TAG_UTF8 = 1,
  TAG_INTEGER = 3,
  TAG_FLOAT = 4,
  TAG_LONG = 5,
  TAG_DOUBLE = 6,
  TAG_CLASS = 7,
  TAG_STRING = 8,
  TAG_FIELD = 9,
  TAG_METHOD = 10,
  TAG_INTERFACE_METHOD = 11,
  TAG_NAME_AND_TYPE = 12,
  TAG_METHOD_HANDLE = 15,
  TAG_METHOD_TYPE = 16,
  TAG_DYNAMIC = 17,
  TAG_INVOKE_DYNAMIC = 18
};

unsigned u2(const unsigned char* p) { return static_cast<unsigned>(p[0] << 8 | p[1]); }

std::uint32_t u4(const unsigned char* p) {
  return static_cast<std::uint32_t>(u2(p)) << 16 | u2(p + 2);
}

// The parse's place in the file.
struct Cursor {
  const unsigned char* bytes;
  std::size_t size, at;
};

// The next `n` bytes, or nullptr when the file ends first.
const unsigned char* take(Cursor& c, std::size_t n) {
  if (n > c.size - c.at) return nullptr;
  const unsigned char* p = c.bytes + c.at;
  c.at += n;
  return p;
}

ClassFault fail(ClassFile& f, ClassFault fault) {
  f.fault = fault;
  return fault;
}

// The bytes of a constant after its tag; 0 for a tag java does not know (19 and 20 only
// stand in module-info files, which are never loaded as classes).
int constant_bytes(unsigned tag, const unsigned char* after, std::size_t left) {
  switch (tag) {
    case TAG_UTF8:
      return left < 2 ? 2 : 2 + static_cast<int>(u2(after));
    case TAG_INTEGER:
    case TAG_FLOAT:
    case TAG_FIELD:
    case TAG_METHOD:
    case TAG_INTERFACE_METHOD:
    case TAG_NAME_AND_TYPE:
    case TAG_DYNAMIC:
    case TAG_INVOKE_DYNAMIC:
      return 4;
    case TAG_LONG:
    case TAG_DOUBLE:
      return 8;
    case TAG_CLASS:
    case TAG_STRING:
    case TAG_METHOD_TYPE:
      return 2;
    case TAG_METHOD_HANDLE:
      return 3;
    default:
      return 0;
  }
}

// A tag newer than the class file's version is a format error.
bool tag_in_version(unsigned tag, unsigned major) {
  if (tag == TAG_DYNAMIC) return major >= 55;
  if (tag == TAG_METHOD_HANDLE || tag == TAG_METHOD_TYPE || tag == TAG_INVOKE_DYNAMIC)
    return major >= 51;
  return true;
}

unsigned tag_at(const ClassFile& f, unsigned index) {
  if (index == 0 || index >= f.pool_count || f.pool[index] == 0) return 0;
  return f.bytes[f.pool[index]];
}

// Where each constant lies; each slot at least 3 bytes, so a count beyond that ends the file.
ClassFault read_entries(Cursor& c, ClassFile& f) {
  const unsigned char* count = take(c, 2);
  if (count == nullptr) return fail(f, CLASS_TRUNCATED);
  unsigned wanted = u2(count);
  std::size_t most = (c.size - c.at) / 3 + 2;
  f.pool_count = wanted < most ? wanted : static_cast<unsigned>(most);
  f.pool = static_cast<std::uint32_t*>(mem_take(4 * (f.pool_count + 1)));
  if (f.pool == nullptr) return fail(f, CLASS_NO_MEMORY);
  std::memset(f.pool, 0, 4 * (f.pool_count + 1));
  for (unsigned i = 1; i < wanted; ++i) {
    const unsigned char* tag = take(c, 1);
    if (tag == nullptr || i >= f.pool_count) return fail(f, CLASS_TRUNCATED);
    int n = constant_bytes(*tag, tag + 1, c.size - c.at);
    if (n == 0) {
      f.fault_value = *tag;
      return fail(f, CLASS_UNKNOWN_TAG);
    }
    if (!tag_in_version(*tag, f.major)) return fail(f, CLASS_MALFORMED);
    if (take(c, static_cast<std::size_t>(n)) == nullptr) return fail(f, CLASS_TRUNCATED);
    f.pool[i] = static_cast<std::uint32_t>(tag - c.bytes);
    if (*tag == TAG_LONG || *tag == TAG_DOUBLE) ++i;  // the slot after it stays unusable
  }
  return CLASS_OK;
}

bool refers_to(const ClassFile& f, const unsigned char* field, unsigned tag) {
  return tag_at(f, u2(field)) == tag;
}

// Each constant's references lead to constants of the kinds they must.
bool entry_is_sound(const ClassFile& f, const unsigned char* e) {
  switch (*e) {
    case TAG_CLASS:
    case TAG_STRING:
    case TAG_METHOD_TYPE:
      return refers_to(f, e + 1, TAG_UTF8);
    case TAG_FIELD:
    case TAG_METHOD:
    case TAG_INTERFACE_METHOD:
      return refers_to(f, e + 1, TAG_CLASS) && refers_to(f, e + 3, TAG_NAME_AND_TYPE);
    case TAG_NAME_AND_TYPE:
      return refers_to(f, e + 1, TAG_UTF8) && refers_to(f, e + 3, TAG_UTF8);
    case TAG_METHOD_HANDLE: {
      unsigned ref = tag_at(f, u2(e + 2));
      return e[1] >= 1 && e[1] <= 9 && ref >= TAG_FIELD && ref <= TAG_INTERFACE_METHOD;
    }
    case TAG_DYNAMIC:
    case TAG_INVOKE_DYNAMIC:
      return refers_to(f, e + 3, TAG_NAME_AND_TYPE);
    default:
      return true;
  }
}

// The head alone (-c over a folder, every class file) checks only the constants that name
// the class: the whole pool's references cost as much again.
ClassFault read_pool(Cursor& c, ClassFile& f, ClassReach reach) {
  if (read_entries(c, f) != CLASS_OK || reach == CLASS_HEAD) return f.fault;
  for (unsigned i = 1; i < f.pool_count; ++i) {
    if (f.pool[i] != 0 && !entry_is_sound(f, f.bytes + f.pool[i])) return fail(f, CLASS_MALFORMED);
  }
  return CLASS_OK;
}

// Magic, version, constant pool, then access flags, this_class, super_class and the
// interface count, which java asks for together.
ClassFault read_head(Cursor& c, ClassFile& f, ClassReach reach) {
  const unsigned char* start = take(c, 8);
  if (start == nullptr) return fail(f, CLASS_TRUNCATED);
  if (u4(start) != 0xCAFEBABE) {
    f.fault_value = u4(start);
    return fail(f, CLASS_BAD_MAGIC);
  }
  f.minor = u2(start + 4);
  f.major = u2(start + 6);
  if (read_pool(c, f, reach) != CLASS_OK) return f.fault;
  const unsigned char* names = take(c, 8);
  if (names == nullptr) return fail(f, CLASS_TRUNCATED);
  f.flags = u2(names);
  f.this_class = u2(names + 2);
  f.super_class = u2(names + 4);
  f.interface_count = u2(names + 6);
  if (tag_at(f, f.this_class) != TAG_CLASS || !entry_is_sound(f, f.bytes + f.pool[f.this_class]))
    return fail(f, CLASS_MALFORMED);
  return CLASS_OK;
}

ClassFault read_interfaces(Cursor& c, ClassFile& f) {
  f.stage = STAGE_SUPERTYPES;
  if (f.super_class != 0 && tag_at(f, f.super_class) != TAG_CLASS) return fail(f, CLASS_MALFORMED);
  f.interfaces = c.at;
  const unsigned char* list = take(c, 2 * static_cast<std::size_t>(f.interface_count));
  if (list == nullptr) return fail(f, CLASS_TRUNCATED);
  for (unsigned i = 0; i < f.interface_count; ++i) {
    if (tag_at(f, u2(list + 2 * i)) != TAG_CLASS) return fail(f, CLASS_MALFORMED);
  }
  return CLASS_OK;
}

bool text_is(const ClassFile& f, unsigned index, const char* text) {
  if (tag_at(f, index) != TAG_UTF8) return false;
  const unsigned char* e = f.bytes + f.pool[index];
  return u2(e + 1) == std::strlen(text) && std::memcmp(e + 3, text, u2(e + 1)) == 0;
}

// An Exceptions attribute's body: a count, then that many Class constants, exactly.
bool exceptions_are_sound(const ClassFile& f, const unsigned char* body, std::uint32_t len) {
  if (len < 2 || len != 2 + 2 * u2(body)) return false;
  for (unsigned i = 0; i < u2(body); ++i) {
    if (tag_at(f, u2(body + 2 + 2 * i)) != TAG_CLASS) return false;
  }
  return true;
}

// The class's own entry in its InnerClasses attribute, if any: 8 bytes each.
bool note_inner_entry(ClassFile& f, const unsigned char* body, std::uint32_t len) {
  if (len < 2 || len != 2 + 8 * static_cast<std::uint32_t>(u2(body))) return false;
  for (unsigned i = 0; i < u2(body); ++i) {
    const unsigned char* entry = body + 2 + 8 * i;
    if (u2(entry) != f.this_class) continue;
    f.inner_entry = true;
    f.inner_outer = u2(entry + 2);
    f.inner_flags = u2(entry + 6);
  }
  return true;
}

enum Owner { OF_FIELD, OF_METHOD, OF_CLASS };

// A list of attributes, each named by a Utf8 constant; the two the checks read are checked.
ClassFault read_attributes(Cursor& c, ClassFile& f, Owner owner) {
  const unsigned char* count = take(c, 2);
  if (count == nullptr) return fail(f, CLASS_TRUNCATED);
  for (unsigned i = 0; i < u2(count); ++i) {
    const unsigned char* head = take(c, 6);
    if (head == nullptr) return fail(f, CLASS_TRUNCATED);
    if (tag_at(f, u2(head)) != TAG_UTF8) return fail(f, CLASS_MALFORMED);
    std::uint32_t len = u4(head + 2);
    const unsigned char* body = take(c, len);
    if (body == nullptr) return fail(f, CLASS_TRUNCATED);
    bool sound = true;
    if (owner == OF_METHOD && text_is(f, u2(head), "Exceptions"))
      sound = exceptions_are_sound(f, body, len);
    if (owner == OF_CLASS && text_is(f, u2(head), "InnerClasses"))
      sound = note_inner_entry(f, body, len);
    if (!sound) return fail(f, CLASS_MALFORMED);
  }
  return CLASS_OK;
}

// Fields or methods: flags, a name and a descriptor (Utf8 constants), attributes.
ClassFault read_members(Cursor& c, ClassFile& f, Owner owner) {
  const unsigned char* count = take(c, 2);
  if (count == nullptr) return fail(f, CLASS_TRUNCATED);
  if (owner == OF_METHOD) {
    f.methods = c.at;
    f.method_count = u2(count);
  }
  for (unsigned i = 0; i < u2(count); ++i) {
    const unsigned char* member = take(c, 6);
    if (member == nullptr) return fail(f, CLASS_TRUNCATED);
    if (tag_at(f, u2(member + 2)) != TAG_UTF8 || tag_at(f, u2(member + 4)) != TAG_UTF8)
      return fail(f, CLASS_MALFORMED);
    if (read_attributes(c, f, owner) != CLASS_OK) return f.fault;
  }
  return CLASS_OK;
}

ClassFault read_body(Cursor& c, ClassFile& f) {
  f.stage = STAGE_BODY;
  if (read_members(c, f, OF_FIELD) != CLASS_OK) return f.fault;
  if (read_members(c, f, OF_METHOD) != CLASS_OK) return f.fault;
  if (read_attributes(c, f, OF_CLASS) != CLASS_OK) return f.fault;
  if (c.at != c.size) return fail(f, CLASS_MALFORMED);  // bytes after the class
  return CLASS_OK;
}

ClassText utf8_at(const ClassFile& f, unsigned index) {
  const unsigned char* e = f.bytes + f.pool[index];
  return {e + 3, u2(e + 1)};
}

}  // namespace

ClassFault class_parse(const unsigned char* bytes, std::size_t size, ClassReach reach,
                       ClassFile& file) {
  file = {};
  file.bytes = bytes;
  file.size = size;
  Cursor c = {bytes, size, 0};
  if (read_head(c, file, reach) != CLASS_OK || reach == CLASS_HEAD) return file.fault;
  if (read_interfaces(c, file) != CLASS_OK) return file.fault;
  return read_body(c, file);
}

void class_release(ClassFile& file) {
  mem_give(file.pool);
  file.pool = nullptr;
  file.pool_count = 0;
}

ClassText class_name_at(const ClassFile& file, unsigned index) {
  return utf8_at(file, u2(file.bytes + file.pool[index] + 1));
}

unsigned class_interface(const ClassFile& file, unsigned i) {
  return u2(file.bytes + file.interfaces + 2 * i);
}

ClassMethod class_next_method(const ClassFile& file, std::size_t& at) {
  const unsigned char* m = file.bytes + at;
  ClassMethod method = {u2(m), utf8_at(file, u2(m + 2)), utf8_at(file, u2(m + 4)), nullptr, 0};
  at += 8;
  for (unsigned i = 0; i < u2(m + 6); ++i) {
    const unsigned char* head = file.bytes + at;
    at += 6 + u4(head + 2);
    if (!text_is(file, u2(head), "Exceptions")) continue;
    method.exceptions = head + 8;
    method.exception_count = u2(head + 6);
  }
  return method;
}
